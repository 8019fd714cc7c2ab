// velt-helpdoc PROJECT.hpj UNIT.pas...: writes the help project's RTF
// topics, map, file list and link records for the units, naming each file;
// entries of the file list that the link pass leaves alone go to stderr.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "helpdoc/HelpDoc.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: velt-helpdoc PROJECT.hpj UNIT.pas...\n");
        return 1;
    }
    try {
        velt::TIHelpProject project;
        project.LoadHelpProject(argv[1]);
        std::vector<std::string> units(argv + 2, argv + argc);
        velt::DocumentUnits(project, units);
        for (const std::string& s : project.Skipped) std::fprintf(stderr, "velt-helpdoc: skipped %s\n", s.c_str());
        std::vector<std::string> named;
        for (const std::string& f : project.Written) {
            bool seen = false;
            for (const std::string& n : named) seen = seen || n == f;
            if (!seen) named.push_back(f);
        }
        for (const std::string& f : named) std::printf("%s\n", f.c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velt-helpdoc: %s\n", e.what());
        return 1;
    }
}
