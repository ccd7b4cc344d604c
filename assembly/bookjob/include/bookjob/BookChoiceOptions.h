#pragma once

#include <string>
#include <string_view>

#include "bookjob/BookChoices.h"

// The book's choices on a command line, read alike by quillby and quillbook:
//   --page a4|letter|a5|ereader|phone  --text small|medium|large  --dark  --ragged
//   --volume-chapters N
namespace quill {

// Whether the option (its long name, without "--") takes a value.
bool ChoiceOptionTakesValue(std::string_view name);

// Sets the choice the option names from its value (nullptr for one without). Returns the
// usage mistake in one line ("--page needs a4, letter, a5, ereader or phone, not \"a3\""),
// empty when the value is fine.
std::string ApplyChoiceOption(std::string_view name, const char* value, BookChoices& choices);

// The options' lines for a usage text.
const char* ChoiceOptionsUsage();

}  // namespace quill
