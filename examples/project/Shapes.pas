unit Shapes;

interface

uses
  Classes;

type
  TShape = class(TObject)
  private
    FName: string;
  protected
    function GetArea: Double; virtual;
  public
    constructor Create(const AName: string);
    procedure Draw; virtual;
    procedure Move(DX, DY: Integer);
    property Name: string read FName write FName;
    property Color: Integer read GetColor write SetColor;
    property Area: Double read GetArea;
  end;

implementation

constructor TShape.Create(const AName: string);
begin
  inherited Create;
  FName := AName;
end;

function TShape.GetArea: Double;
begin
  Result := 0;
end;

end.
