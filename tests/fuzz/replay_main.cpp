// Runs every kept fuzz input through its target in the normal build:
//   test_fuzz_replay FOLDER...
// Each FOLDER holds one sub-folder per target (named as the target), whose
// files are its inputs. A failing property or a crash ends the program.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/fuzzsupport.h"

int main(int argc, char **argv)
{
    int inputs = 0;
    for (int a = 1; a < argc; ++a) {
        for (const tovo::fuzz::Target &target : tovo::fuzz::Targets()) {
            const std::string folder = std::string(argv[a]) + "/" + target.name;
            DIR *dir = ::opendir(folder.c_str());
            if (!dir)
                continue;
            std::vector<std::string> names;
            while (const dirent *e = ::readdir(dir)) {
                if (e->d_name[0] != '.')
                    names.push_back(e->d_name);
            }
            ::closedir(dir);
            for (const std::string &name : names) {
                const std::string bytes = tovo::fuzz::ReadWholeFile(folder + "/" + name);
                std::fprintf(stderr, "%s: %s\n", target.name, name.c_str());
                target.function(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
                ++inputs;
            }
        }
    }
    std::printf("%d inputs replayed through %zu targets\n", inputs, tovo::fuzz::Targets().size());
    return inputs > 0 ? 0 : 1;
}
