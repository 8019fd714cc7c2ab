unit Circles;

interface

uses
  Shapes;

type
  TCircle = class(TShape)
  private
    FRadius: Double;
  protected
    function GetArea: Double; override;
  public
    procedure Draw; override;
    property Radius: Double read FRadius write FRadius;
  end;

implementation

function TCircle.GetArea: Double;
begin
  Result := Pi * FRadius * FRadius;
end;

procedure TCircle.Draw;
begin
  inherited Draw;
end;

end.
