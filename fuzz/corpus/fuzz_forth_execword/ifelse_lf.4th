: A " hello" StrLen IF
 1
ELSE
 2
THEN
;
: x Lines ForEachStrings Shrink ;
