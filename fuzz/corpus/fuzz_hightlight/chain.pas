unit Chain;

interface

type
  IShape = interface(IUnknown)
    ['{F703E954-EBA2-11D0-B044-0000B46A6442}']
    procedure Paint;
  end;

  TPoint2 = record
    X, Y: Integer;
    Name: string; { назва }
  end;

  TLevel = (lvLow, { the least }
    lvHigh);

  TNotifyEvent = procedure(Sender: TObject) of object;

  TA = class
  private
    FCount: Integer;
  public
    procedure Reset; virtual;
  end;

  TB = class(TA)
  public
    property Count: Integer read FCount write FCount;
  end;

  TC = class(TB)
  private
    FOnChange: TNotifyEvent;
  public
    procedure Save(const Path: string = 'C:\temp\new');
    property OnChange: TNotifyEvent read FOnChange write FOnChange;
  end;

procedure Run(A: Integer);

implementation

procedure Run(A: Integer);
begin
end;

procedure TA.Reset;
begin
end;

procedure TC.Save(const Path: string);
begin
end;

end.
