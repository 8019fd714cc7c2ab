program ShapeDemo;

uses
  Forms,
  Shapes in 'Shapes.pas',
  Circles in 'Circles.pas';

begin
  Application.Initialize;
  Application.Run;
end.
