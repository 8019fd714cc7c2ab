    property Size: Integer read GetSize write SetSize;
    property Tag read FTag;
function TFoo.Check(A: Integer): Boolean; override;
class procedure Reset;
function TFoo.Count: Integer;
  
