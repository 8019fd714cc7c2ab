unit Cycle;

interface

type
  TX = class(TY)
    procedure A;
  end;

  TY = class(TX)
    procedure B;
  end;

implementation

end.
