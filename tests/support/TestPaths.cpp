#include "support/TestPaths.h"

#include <cstdlib>

namespace quill::test {
namespace {

std::string FromEnvironment(const char* name, const char* compiledIn) {
    const char* value = std::getenv(name);
    return value && *value ? value : compiledIn;
}

}  // namespace

std::string StorySimScript() {
    return FromEnvironment("QUILLBY_STORYSIM", QUILLBY_STORYSIM_PATH);
}

std::string BinaryDir() {
    return FromEnvironment("QUILLBY_BINARY_DIR", QUILLBY_BINARY_DIR);
}

std::string QuillmainPath() {
    return BinaryDir() + "/bin/quillmain";
}

std::string QuillrenderPath() {
    return BinaryDir() + "/bin/quillrender";
}

std::string PythonProgram() {
    return FromEnvironment("QUILLBY_PYTHON", QUILLBY_PYTHON);
}

}  // namespace quill::test
