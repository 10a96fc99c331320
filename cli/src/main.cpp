#include "quorvane/cli/tag_command.h"

int main(int argc, char** argv) {
    try {
        return quorvane::cli::TagCommand::Main(std::vector<std::string>(argv + 1, argv + argc));
    } catch (...) {
        // Not even the arguments could be copied.
        return quorvane::cli::TagCommand::kFailure;
    }
}
