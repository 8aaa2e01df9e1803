#include <string>
#include <vector>

#include "cli/CliMain.h"
#include "platform/Interrupts.h"
#include "platform/win32/WideText.h"

int wmain(int argc, wchar_t** argv) {
    nordavel::RemoveTemporaryFilesOnInterrupt();
    return nordavel::cli::RunCli([&] {
        std::vector<std::string> arguments;
        for (int i = 1; i < argc; ++i)
            arguments.push_back(nordavel::win32::Narrow(argv[i]));
        return arguments;
    });
}
