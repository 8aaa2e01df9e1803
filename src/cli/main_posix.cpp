#include <string>
#include <vector>

#include "cli/CliMain.h"

int main(int argc, char** argv) {
    return nordavel::cli::RunCli(std::vector<std::string>(argv + 1, argv + argc));
}
