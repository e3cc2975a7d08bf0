#include "profiles/jsonfileio.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <json/reader.h>
#include <json/writer.h>

#include "platform/trace.h"

namespace quasar {

namespace {

// Reads the whole of fd; a file that reports a size of 0 (procfs, sysfs) is read to its end.
bool readAll(int fd, std::string& out, std::uintmax_t limit) {
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        if (out.size() + static_cast<std::size_t>(n) > limit) return false;
        out.append(buf, static_cast<std::size_t>(n));
    }
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::string JsonFileIo::readFileText(const std::string& path) const {
    std::string out;
    // Non-blocking open: a path naming a FIFO (an import chosen by the user, say) must not wait
    // for a writer that never comes. Only regular files are read.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    int err = fd < 0 ? errno : 0;
    trace::printf("readjsonFile 错误吗：：%d\n", err);
    if (fd < 0) return {};
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              static_cast<std::uintmax_t>(st.st_size) <= kMaxFileBytes;
    if (ok) {
        out.reserve(static_cast<std::size_t>(st.st_size));
        ok = readAll(fd, out, kMaxFileBytes);
    }
    ::close(fd);
    if (!ok) return {};
    return out;
}

Json::Value JsonFileIo::readJsonFile(const std::string& path) const {
    std::string text = readFileText(path);
    if (text.empty()) {
        trace::printf("%s\n", path.c_str());
        return Json::Value();
    }
    Json::CharReaderBuilder builder;
    builder["collectComments"] = true;
    builder["allowComments"] = true;
    // Deeply nested input must not exhaust the stack.
    builder["stackLimit"] = 256;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    // JsonCpp throws on some inputs (nesting beyond the stack limit); those read as null too.
    try {
        if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors))
            return Json::Value();
    } catch (const std::exception&) {
        return Json::Value();
    }
    return root;
}

bool JsonFileIo::writeJsonFile(const std::string& path, const Json::Value& value) const {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "   ";
    builder["emitUTF8"] = true;
    builder["commentStyle"] = "All";
    std::string text = Json::writeString(builder, value);
    text += '\n';

    // The temporary name is unique per process and thread so concurrent writers never share it.
    std::ostringstream tmpName;
    tmpName << path << ".tmp." << ::getpid() << '.' << std::this_thread::get_id();
    const std::string tmp = tmpName.str();
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = writeAll(fd, text) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    // Make the rename itself durable.
    std::string dir =
        path.substr(0, path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/'));
    int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

std::string JsonFileIo::fileTitle(std::string_view path) {
    std::size_t slash = path.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.find_last_of('.');
    if (dot != std::string_view::npos && dot != 0) name = name.substr(0, dot);
    return std::string(name);
}

std::string makeTimestampName() {
    using namespace std::chrono;
    static std::mutex mutex;
    static std::int64_t lastMs = 0;
    std::int64_t ms;
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (;;) {
            ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
            if (ms > lastMs) break;
            std::this_thread::sleep_for(microseconds(200));
        }
        lastMs = ms;
    }
    std::time_t secs = static_cast<std::time_t>(ms / 1000);
    std::tm local{};
    localtime_r(&secs, &local);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d_%02d_%02d_%02d_%02d_%02d_%03d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(ms % 1000));
    return buf;
}

std::string toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::u16string fromUtf8(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        char32_t cp;
        std::size_t len;
        char32_t min;
        if (c < 0x80) {
            cp = c, len = 1, min = 0;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F, len = 2, min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F, len = 3, min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07, len = 4, min = 0x10000;
        } else {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        bool valid = i + len <= n;
        for (std::size_t k = 1; valid && k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(bytes[i + k]);
            if ((cc & 0xC0) != 0x80)
                valid = false;
            else
                cp = (cp << 6) | (cc & 0x3F);
        }
        if (!valid || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return out;
}

std::string toHex8(std::uint32_t value) {
    static constexpr char kDigits[] = "0123"
                                      "4567"
                                      "89AB"
                                      "CDEF";
    std::string out(8, '0');
    for (int i = 7; i >= 0; --i) {
        out[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
        value >>= 4;
    }
    return out;
}

bool splitIndexedName(std::string_view name, std::string& prefix, int& number) {
    std::size_t us = name.find_last_of('_');
    if (us == std::string_view::npos) return false;
    std::string_view digits = name.substr(us + 1);
    if (digits.empty() || digits.size() > 9) return false;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    prefix = std::string(name.substr(0, us + 1));
    number = value;
    return true;
}

} // namespace quasar
