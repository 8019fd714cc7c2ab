unit Shapes;

interface

uses
  Classes, SysUtils;

type
  TPoint2 = record
    X, Y: Integer;
  end;

  PShapeKind = ^TShapeKind;
  TShapeKind = (skNone, skCircle, skSquare);

  IDrawable = interface
    function GetColor: Integer;
    procedure Paint;
    property Color: Integer read GetColor;
    property Width: Integer read GetWidth;
  end;

  IPrintable = interface(IUnknown)
    procedure Print;
  end;

  TShape = class(TPersistent)
  private
    FSizeLimit: Integer;
    FSize: Integer;
    FName: string;
    FWidth: Integer;
  protected
    function GetArea: Integer; virtual;
    procedure SetAbstract(Value: Boolean);
    procedure Draw; virtual; abstract;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Move(DX, DY: Integer);
    function Describe(const Prefix: string): string;
    procedure Resize(AWidth,
      AHeight: Integer);
    property Size: Integer read FSize write FSize;
    property Limit: Integer read FSizeLimit write FSizeLimit;
    property Thickness: Integer read FThick write FThick;
    property Area: Integer read GetArea;
    property Height: Integer read GetValue write SetValue;
    property Items[Index: Integer]: string read GetItem write SetItem;
  published
    property Name: string read FName write FName;
  end;

  TCircle = class(TShape)
  public
    procedure Paint; override;
    function Radius: Integer;
    function Diameter: Integer; override;
  end;

  TBox = class
  public
    property Depth: Integer read FDepth write FDepth;
  end;

procedure Register;
function ShapeCount: Integer;

implementation

{ TShape }

constructor TShape.Create;
begin
  inherited Create;
  FSize := 1;
end;

destructor TShape.Destroy;
begin
  inherited;
end;

function TShape.GetArea: Integer;
begin
  Result := FSize * FSize;
end;

procedure TShape.Move(DX, DY: Integer);
var
  Count: Integer;
begin
  Count := DX + DY;
  X := 5;
  FSize := FSize + Count;
end;

function TShape.Describe(const APrefix: string): string;
begin
  Result := APrefix + FName;
end;

procedure TShape.Resize(AWidth, AHeight: Integer);
begin
end;

procedure TShape.Orphan;
begin
end;

procedure TGhost.Haunt;
begin
end;

{ TCircle }

procedure TCircle.Paint;
begin
  inherited;
end;

procedure Register;
begin
end;

end.
