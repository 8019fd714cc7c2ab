implementation
procedure Q; forward;
procedure R; assembler;
asm
end;
procedure S;
type T = record case Byte of 0: (a: Byte); end;
begin { end (* 
} try finally end; end;
  TE = (a,
 b
end.
