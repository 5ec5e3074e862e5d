// An output file written under a temporary name beside its destination and renamed to the
// destination only once it is complete. A failed, stopped or abandoned write removes the
// temporary file, so no partial file ever appears under the final name, and an existing
// destination is replaced only by a complete new file.
#pragma once

#include <cstdio>
#include <string>

namespace tb::codec {

class ReplacingFile {
public:
    ReplacingFile() = default;
    // Removes a file that was never committed.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile &) = delete;
    ReplacingFile &operator=(const ReplacingFile &) = delete;

    // Creates the temporary file for `destination`. An existing destination must be a regular
    // file that may be written; the new file gets its permissions. False with error() set.
    bool create(const std::string &destination);
    // The stream to write through while the file is open; null otherwise.
    std::FILE *stream() const { return stream_; }
    bool isOpen() const { return stream_ != nullptr; }
    const std::string &destination() const { return destination_; }
    const std::string &temporaryName() const { return temporary_; }

    // Closes the file and gives it the destination's name. On failure the temporary file is
    // removed and error() says why.
    bool commit();
    // Closes and removes the temporary file; the destination stays as it was.
    void abandon();

    // Why the last create or commit failed: the system's text ("No space left on device").
    const std::string &error() const { return error_; }

private:
    bool failWith(int error);

    std::FILE *stream_ = nullptr;
    std::string destination_; // the name the file gets (a link's target when it is a link)
    std::string temporary_;
    std::string error_;
};

} // namespace tb::codec
