// pugixml_load FILE: only reads FILE with pugixml's load_file, the yardstick of whole-process comparisons
// (for instance against "veltro --check FILE" under /usr/bin/time -v).

#include <pugixml.hpp>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: pugixml_load FILE\n");
        return 2;
    }
    pugi::xml_document document;
    pugi::xml_parse_result result = document.load_file(argv[1]);
    std::printf("%s\n", result.description());
    return result ? 0 : 1;
}
