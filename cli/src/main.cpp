#include "quorvane/cli/tag_command.h"

int main(int argc, char** argv) {
    return quorvane::cli::TagCommand::Main(std::vector<std::string>(argv + 1, argv + argc));
}
