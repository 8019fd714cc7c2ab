: Startup ( unterminated
: Main " open
: A // last