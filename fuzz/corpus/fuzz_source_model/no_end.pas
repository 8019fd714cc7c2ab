unit B;
interface
type
	TB = class(TA,
		IB)
	private
		FA, FB,
		FC
		FD: Integer;
		property P[I: Integer]: Byte read GetP write SetP;
	end;
implementation
procedure TB.Y(A: Integer;
  B: string);
begin
  case A of
  end;
end;
