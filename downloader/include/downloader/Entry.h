#pragma once

#include <memory>
#include <string>
#include <vector>

#include "downloader/QuillObj.h"

namespace quill {

// The downloader's entry: argv is the command line, program name first. Prints the
// argument count; with one argument it is a job ticket, with two or more they are the
// address and the work folder. Returns 1 on a usage error, 0 otherwise; failures propagate.
int cli_main(const std::vector<std::string>& argv);

// Downloads the story at aurl into the work folder adir, with the process's one session.
// With a store folder, chapters kept there by earlier jobs are used instead of fetched, and
// fetched chapters are kept there; refresh fetches every chapter again; without pictures the
// chapters' pictures are not fetched.
void main(const std::string& aurl, const std::string& adir, const std::string& store = "",
          bool refresh = false, bool pictures = true);

// The process's story session, created by the first call of main.
extern std::unique_ptr<QuillObj> _book;

}  // namespace quill
