// libVELTCore.so: the foundation, the interpreter, the source model, the
// registry stand-in and the Qt adaptation, linked whole into one shared
// library. The IDE host, the packages and their tests all link it, so a
// process holds one copy of every singleton (message sink, dialog runner,
// class registry) however many packages it loads.
