// Builds the stroked font's data from its art text: make-stanfont ART OUT.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "foundation/SysUtils.h"
#include "painter/Grfont.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make-stanfont ART OUT\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "make-stanfont: cannot read " << argv[1] << "\n";
        return 1;
    }
    std::stringstream art;
    art << in.rdbuf();
    try {
        const std::string data = velt::BuildStrokedFont(art.str());
        const std::string tmp = std::string(argv[2]) + ".tmp";
        {
            std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
            out.write(data.data(), std::streamsize(data.size()));
            if (!out.flush()) {
                std::cerr << "make-stanfont: cannot write " << tmp << "\n";
                return 1;
            }
        }
        if (std::rename(tmp.c_str(), argv[2]) != 0) {
            std::cerr << "make-stanfont: cannot write " << argv[2] << "\n";
            return 1;
        }
    } catch (const velt::Exception& e) {
        std::cerr << "make-stanfont: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
