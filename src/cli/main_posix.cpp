#include <string>
#include <vector>

#include "cli/CliMain.h"
#include "platform/Interrupts.h"

int main(int argc, char** argv) {
    nordavel::RemoveTemporaryFilesOnInterrupt();
    return nordavel::cli::RunCli([&] { return std::vector<std::string>(argv + 1, argv + argc); });
}
