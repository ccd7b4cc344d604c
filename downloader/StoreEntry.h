#pragma once

// One entry of the chapter store on disk: a header that names what the content is and how
// to check it, then the content.
//
//   quillby-store 2
//   address: <the address it was fetched from>
//   title: <the contents entry's title it was fetched for; empty for the cover>
//   bytes: <the content's length>
//   sha256: <the content's SHA-256>
//   <blank line>
//   <content>
//
// Entries of the first version have only "address:" and "bytes:". They are still taken,
// checked by their length, so that a store kept before digests is not fetched anew; the
// store writes them again in the current form when they are first used.

#include <optional>
#include <string>

namespace quill::store {

std::string EntryBytes(const std::string& address, const std::string& title,
                       const std::string& content);

// What reading an entry found.
struct Reading {
    enum class Kind {
        Missing,  // nothing under that name
        Serves,   // whole, for this address and title: `content` holds it
        Changed,  // whole, but for another title (or, with a cover, another address)
        Damaged,  // not whole, not a regular file, or not what its name says: `damage` says why
    };
    Kind kind = Kind::Missing;
    std::string content;
    std::string damage;
    bool firstVersion = false;  // taken from an entry without a digest
};

// Reads the entry at path, of at most maxContent bytes of content. A symbolic link is never
// followed and a pipe never waited on. `nameIsAddress`: the entry's name is made from its
// address, so an entry recording another address was put there by something else.
Reading ReadEntry(const std::string& path, const std::string& address, const std::string& title,
                  size_t maxContent, bool nameIsAddress);

// The address an entry records, when it can be read as one.
std::optional<std::string> EntryAddress(const std::string& path, size_t maxContent);

}  // namespace quill::store
