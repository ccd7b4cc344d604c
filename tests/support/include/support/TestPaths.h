#pragma once

#include <string>

namespace quill::test {

// Each honours its environment variable first (set by CTest), then the value the build
// compiled in, so a test binary also runs by hand from any folder.
std::string StorySimScript();   // QUILLBY_STORYSIM: tools/storysim/storysim.py
std::string BinaryDir();        // QUILLBY_BINARY_DIR: the build tree
std::string QuillmainPath();    // the downloader's launcher, bin/quillmain in the build tree
std::string QuillrenderPath();  // the render worker, bin/quillrender in the build tree
std::string PythonProgram();    // QUILLBY_PYTHON: the interpreter the build found

}  // namespace quill::test
