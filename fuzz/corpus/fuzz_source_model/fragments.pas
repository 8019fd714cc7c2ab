interface implementation
= class
TX = class of
TY = object
property
procedure
function (
class function .:
,,,,
:
