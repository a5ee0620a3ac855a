#include "firmware/atomic_file.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "lynkor/aDirectory.h"

namespace {

// ".<name>.<random>.tmp" beside the target: the leading dot keeps a left-over file out of the
// store's listings, the random part keeps two writers apart.
std::string temporaryPathFor(const std::string& path) {
    const size_t slash = path.find_last_of(aDIRECTORY_SEPARATOR_CHAR);
    const std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp",
                  static_cast<unsigned long long>(generator()));
    return directory + "." + name + suffix;
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string path)
    : path_(std::move(path)), temporaryPath_(temporaryPathFor(path_)) {}

AtomicFileWriter::~AtomicFileWriter() {
    if (!committed_) {
        file_.reset();
        std::error_code ignored;
        std::filesystem::remove(temporaryPath_, ignored);
    }
}

aErr AtomicFileWriter::open() {
    file_ = openFile(temporaryPath_, aFILE_MODE_WRITE);
    return file_ ? aErrNone : aErrNotFound;
}

aErr AtomicFileWriter::write(std::span<const uint8_t> bytes) {
    if (!file_) {
        return aErrNotFound;
    }
    return bytes.empty() ? aErrNone : aFile_Write(file_.get(), bytes.data(), bytes.size(), nullptr);
}

aErr AtomicFileWriter::commit() {
    if (!file_) {
        return aErrNotFound;
    }
    const aErr closed = closeFile(file_);
    if (closed != aErrNone) {
        return closed;
    }
    std::error_code error;
    std::filesystem::rename(temporaryPath_, path_, error);
    if (error) {
        return aErrWrite;
    }
    committed_ = true;
    return aErrNone;
}

aErr writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
    AtomicFileWriter writer(path);
    aErr err = writer.open();
    if (err == aErrNone) {
        err = writer.write(bytes);
    }
    if (err == aErrNone) {
        err = writer.commit();
    }
    return err;
}
