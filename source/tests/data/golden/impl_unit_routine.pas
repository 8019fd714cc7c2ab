unit U;
interface
procedure B;
procedure C;
implementation
procedure Z;
begin
end;

procedure B;
begin
end;

procedure C;
begin
end;
end.
