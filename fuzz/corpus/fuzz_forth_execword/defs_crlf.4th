: Startup 1 2 + DUP Writeln ;
: Main EGG Startup Count .! Count .@ ;
