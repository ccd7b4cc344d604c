// quillmain: runs one download job. The window starts it with the job ticket as its only
// argument; it reports through the run log in the work folder, not through its output.
#include <iostream>
#include <string>
#include <vector>

#include "downloader/Entry.h"
#include "web/Failure.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv, argv + argc);
    try {
        return quill::cli_main(args);
    } catch (const std::exception& failure) {
        std::cerr << "quillmain: the download stopped: " << quill::FailureKind(failure) << ": "
                  << failure.what() << std::endl;
    } catch (...) {
        std::cerr << "quillmain: the download stopped on an unknown failure" << std::endl;
    }
    return 2;
}
