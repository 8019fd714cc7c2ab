: Startup
TRUE IF
FALSE IF
1
THEN
Host ::  Count .@
ELSE
2
THEN
;
: Main Host :: Lines ForEachStrings Shrink Host ::
Caption .@ Host ::	Hello ;
