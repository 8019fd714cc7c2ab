unit Shapes;

interface

uses
  Classes, SysUtils,
  Graphics;

type
  PPoint2 = ^TPoint2;
  TPoint2 = record
    X, Y: Integer;
  end;
  TColorSet = set of TColorKind;
  TIntArray = array of Integer;
  TShapeClass = class of TShape;
  TNotify = procedure(Sender: TObject)
    of object;
  TKind = (kCircle,
    kSquare,
    kLine);
  TAlias = type Integer;

  IDrawable = interface(IUnknown)
    procedure Draw;
  end;

  TShapeForward = class;

  TShape = class(TPersistent)
  private
    FName: string;
    FEndPos: Integer;
    endian: Boolean;
    FLeft, FTop,
      FWidth: Integer;
    type
      TCache = record
        Hits: Integer;
      end;
  protected
    function GetArea: Double; virtual; abstract;
    procedure SetName(const Value: string); virtual;
    procedure Changed; dynamic;
	procedure TabIndented;
  public
    constructor Create(AOwner: TComponent); virtual;
    destructor Destroy; override;
    procedure AfterDestroy;
    procedure   Paint; override;
    function Describe(const Prefix: string; Count: Integer): string; override;
    class function Kinds: Integer;
    procedure Load(S: Classes.TStream);
    procedure Msg(var M: TMessage); message 1024;
    property Name: string read FName write SetName;
    property Area: Double read GetArea;
    property Items[Index: Integer]: TShape read GetItem write SetItem; default;
  published
    property Left: Integer read FLeft write FLeft;
  end;

  TCircle = class(TShape)
    FRadius: Integer;
    procedure Paint; override;
  end;

  TOldObject = object
    Count: Integer;
    procedure Reset;
  end;

  TOneLine = class(TShape);

procedure GlobalProc(A: Integer);
function AFunction: Integer;
  procedure IndentedNotUnitLevel;

const Variance = 3;

implementation

procedure GlobalProc(A: Integer);
begin
end;

function AFunction: Integer;
begin
  Result := 0;
end;

{ TShape }

constructor TShape.Create(AOwner: TComponent);
begin
  inherited Create;
end;

destructor TShape.Destroy;

procedure Inner;
begin
end;

begin
  inherited;
end;

procedure TShape.SetName(const Value: string);
var
  EndOfFile: Boolean;
begin
  FName := Value;
end;

procedure TShape.Paint;
begin
  case FLeft of
    0: ;
  end;
end;

// Describe the shape
function TShape.Describe(const Prefix: string; Count: Integer): string;
begin
  Result := Prefix;
end;

procedure TShape.Undeclared;
begin
end;

procedure TCircle.Paint;
begin
end;

procedure TOldObject.Reset;
begin
  Count := 0;
end;

initialization
  RegisterClass(TShape);
finalization
end.
