( VELT command file of the example installation.
  Startup runs when the V&ELT menu is built: each RegisterHotkey takes
  a caption, the word the item runs, a shortcut and 1 for a visible item. )

: Startup
" Hyper Jump" " HyperJump" " Ctrl+Shift+H" 1 RegisterHotkey
" Jump Backward" " JumpBackward" " Ctrl+Shift+B" 1 RegisterHotkey
" Go to Interface" " GotoIntf" " Ctrl+Shift+N" 1 RegisterHotkey
" Go to Implementation" " GotoImpl" " Ctrl+Shift+M" 1 RegisterHotkey
" Declare Variable ..." " DeclareLocalVar" " Ctrl+Shift+V" 1 RegisterHotkey
" Try Finally Block" " TryFinally" " Ctrl+Shift+T" 1 RegisterHotkey
" Code Templates ..." " ForthCodeTemplates" " Ctrl+J" 1 RegisterHotkey
" Inheritance Wizard ..." " InheritanceWizard" " Ctrl+Shift+W" 1 RegisterHotkey
" Example commands are ready: see the V&ELT menu." Writeln
;

( Asks for a name, then DeclareVar asks for its type, and declares the
  variable in the routine at the cursor; the cursor stays where it was. )
: DeclareLocalVar
" VarNames" " Declare Variable" " Name:" " I" InputQueryWithHistory
" Integer" 0 DeclareVar
;

( The template "tryf" of velt.dci at the cursor. )
: TryFinally
" tryf" ExecCodeTemplate
;

( Open Source of a unit in the Project Tree window, stack: file -- .
  The unit comes to the front in the editor with the cursor at its top,
  and the model holds it. )
: OpenUnitSource
DUP FileName .!
0 Modified .!
0 CursorLine .! 1 CursorCol .! 0 TopLine .! 1 TopCol .!
SaveToIDE
LoadFromIDE
;

( Open Source of a class, stack: class file -- .
  Its unit as above, then the cursor on the class's header. )
: OpenClassSource
EGG OpenUnitSource
GotoClass
SaveToIDE
;
