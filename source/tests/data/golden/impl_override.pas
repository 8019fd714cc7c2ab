unit U;
interface
type
  TFoo = class(TBar)
    procedure Paint; override;
    function Calc(const A: Integer; var B: string): Integer; override;
    function Count: Integer; override;
    procedure Run(AFunction: TFunc); override;
  end;
implementation

procedure TFoo.Paint;
begin
  inherited;
end {TFoo.Paint};

function TFoo.Calc(const A: Integer; var B: string): Integer;
begin
  Result := inherited Calc(A, B);
end;

function TFoo.Count: Integer;
begin
  Result := inherited Count;
  Result := FCount;
end;

procedure TFoo.Run(AFunction: TFunc);
begin
  inherited;
end;
end.
