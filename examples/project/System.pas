unit System;

{ The root of the example's classes, cut down from what the run-time
  library declares: a class written without an ancestor derives from it. }

interface

type
  TObject = class
  public
    constructor Create;
    destructor Destroy; virtual;
    procedure Free;
  end;

implementation

constructor TObject.Create;
begin
end;

destructor TObject.Destroy;
begin
end;

procedure TObject.Free;
begin
  if Self <> nil then
    Destroy;
end;

end.
