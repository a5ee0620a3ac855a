#include "firmware/attributes_file.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <span>

#include "display/output.h"
#include "firmware/atomic_file.h"
#include "firmware/file_handle.h"
#include "firmware/time_text.h"

namespace {

constexpr size_t kLineBufferSize = 2048;
constexpr size_t kShortestEntry = 3;
constexpr char kDefaultFilename[] = ".settings";
constexpr char kCreatedTime[] = "CREATED_TIME";
constexpr char kUpdatedTime[] = "UPDATED_TIME";

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string trimmed(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && isSpace(text[end - 1])) {
        --end;
    }
    return std::string(text.substr(begin, end - begin));
}

// Reads one whole line, its line feed included. Lines longer than the read buffer are joined
// from several reads, so nothing after a long line is lost.
aErr readLine(aFileHandle* file, std::string& line) {
    line.clear();
    char buffer[kLineBufferSize];
    for (;;) {
        size_t length = 0;
        const aErr err = aFile_ReadLine(file, buffer, sizeof buffer, &length);
        line.append(buffer, length);
        if (err != aErrOverrun) {
            return err == aErrEOF && !line.empty() ? aErrNone : err;
        }
    }
}

// atoi's reading, saturated instead of overflowing.
int toInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && isSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min<int64_t>(value * 10 + (text[i] - '0'), int64_t{INT_MAX} + 1);
    }
    value = negative ? -value : std::min<int64_t>(value, INT_MAX);
    return static_cast<int>(value);
}

}  // namespace

aErr AttributesFile::load(const std::string& path) {
    values_.clear();
    unreadablePath_.clear();
    errno = 0;
    FileHandle file = openFile(path, aFILE_MODE_READ);
    if (!file) {
        const int error = errno;
        debugPrintf(DEBUG_Attributes, "Attibutes: Error - cannot open attributes file: '%s' (%d)\n",
                    path.c_str(), error);
        filename_ = path;
        dirty_ = false;
        // Only a file that is not there is created; one we may not read is left as it is.
        if (error != ENOENT) {
            unreadablePath_ = path;
            return aErrIO;
        }
        set(kCreatedTime, currentTimeText());
        return save(path);
    }
    filename_ = path;
    dirty_ = false;
    std::string line;
    aErr err;
    while ((err = readLine(file.get(), line)) == aErrNone) {
        parseLine(line);
    }
    if (err != aErrEOF) {
        // Only part of the file may have been read: saving would drop the rest.
        unreadablePath_ = path;
        return err;
    }
    return aErrNone;
}

void AttributesFile::parseLine(const std::string& line) {
    if (line.size() < kShortestEntry || line[0] == '#') {
        return;
    }
    const size_t equals = line.find('=');
    if (equals == std::string::npos) {
        return;
    }
    // An empty key or an indented comment would not read back as an entry once written.
    std::string key = trimmed(std::string_view(line).substr(0, equals));
    if (key.empty() || key[0] == '#') {
        return;
    }
    values_[std::move(key)] = trimmed(std::string_view(line).substr(equals + 1));
}

aErr AttributesFile::save(const std::string& path) {
    filename_ = path;
    return save();
}

aErr AttributesFile::save() {
    if (filename_.empty()) {
        filename_ = kDefaultFilename;
        debugPrintf(DEBUG_Attributes,
                    "Attibutes: no filename given for attributes, using default:[%s]\n",
                    filename_.c_str());
    }
    if (!unreadablePath_.empty() && filename_ == unreadablePath_) {
        debugPrintf(DEBUG_Attributes,
                    "Attibutes: Error - not replacing attributes file that could not be read: "
                    "'%s'\n",
                    filename_.c_str());
        return aErrIO;
    }
    if (dirty_) {
        values_[kUpdatedTime] = currentTimeText();
    }
    std::string text;
    for (const auto& [key, value] : values_) {
        text += key;
        text += '=';
        text += value;
        text += '\n';
    }

    AtomicFileWriter writer(filename_);
    errno = 0;
    aErr err = writer.open();
    if (err != aErrNone) {
        debugPrintf(DEBUG_Attributes,
                    "Attibutes: Error - cannot open attributes file for writting: '%s' (%d)\n",
                    filename_.c_str(), errno);
        return err;
    }
    err = writer.write({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
    if (err == aErrNone) {
        err = writer.commit();
    }
    if (err != aErrNone) {
        debugPrintf(DEBUG_Attributes, "Attibutes: Error (%d) writing attributes file: '%s'\n", err,
                    filename_.c_str());
        return err;
    }
    dirty_ = false;
    return aErrNone;
}

void AttributesFile::set(const std::string& key, const std::string& value) {
    if (key.find_first_of("\r\n=") != std::string::npos ||
        value.find_first_of("\r\n") != std::string::npos) {
        debugPrintf(DEBUG_Attributes, "Attibutes: refusing a line break in the entry for [%s]\n",
                    key.c_str());
        return;
    }
    std::string& stored = values_[key];
    if (stored != value) {
        dirty_ = true;
        stored = value;
    }
}

int AttributesFile::getInt(const std::string& key, int defaultValue) {
    const std::string& value = values_[key];
    return value.empty() ? defaultValue : toInt(value);
}

std::string AttributesFile::getString(const std::string& key,
                                      const std::string& defaultValue) const {
    auto found = values_.find(key);
    return found == values_.end() ? defaultValue : found->second;
}
