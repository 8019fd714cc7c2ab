unit U;
interface
uses
  Classes;
type
  TFoo = class
    procedure A(X: Integer;
      Y: Integer);
    procedure B(S: Classes.TStream);
  end;
function Free(S: Classes.TStream): Boolean;
implementation
procedure TFoo.A(X: Integer;
begin
end;
procedure TFoo.B(S: Classes.TStream);
begin
end;
function Free(S: Classes.TStream): Boolean;
begin
end;
end.
