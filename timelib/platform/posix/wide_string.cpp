// Wide-string helpers on UTF-16 WCHAR text, backed by plain loops and std::snprintf for numbers.
#include <cstdio>
#include <string>

#include "timelib/platform/platform.h"
#include "timelib/platform/posix/posix_internal.h"

namespace {

// Output that counts every character but stores only the first `capacity`.
class Sink {
  public:
    Sink(WCHAR* buffer, std::size_t capacity) : buffer_(buffer), capacity_(capacity) {}
    void Put(WCHAR c) {
        if (length_ < capacity_) {
            buffer_[length_] = c;
        }
        ++length_;
    }
    void PutNarrow(const char* text) {
        for (; *text != '\0'; ++text) {
            Put(static_cast<unsigned char>(*text));
        }
    }
    std::size_t Length() const { return length_; }

  private:
    WCHAR* buffer_;
    std::size_t capacity_;
    std::size_t length_ = 0;
};

template <typename Number>
void FormatNumber(Sink* out, const std::string& format, Number value) {
    const int length = std::snprintf(nullptr, 0, format.c_str(), value);
    if (length <= 0) {
        return;
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format.c_str(), value);
    text.pop_back();
    out->PutNarrow(text.c_str());
}

}  // namespace

std::size_t wcslen(const WCHAR* text) {
    std::size_t n = 0;
    while (text[n] != 0) {
        ++n;
    }
    return n;
}

WCHAR* wcsncpy(WCHAR* dest, const WCHAR* src, std::size_t count) {
    std::size_t i = 0;
    for (; i < count && src[i] != 0; ++i) {
        dest[i] = src[i];
    }
    for (; i < count; ++i) {
        dest[i] = 0;
    }
    return dest;
}

WCHAR* wcscpy(WCHAR* dest, const WCHAR* src) {
    std::size_t i = 0;
    for (; src[i] != 0; ++i) {
        dest[i] = src[i];
    }
    dest[i] = 0;
    return dest;
}

int _wcsicmp(const WCHAR* first, const WCHAR* second) {
    for (;; ++first, ++second) {
        const WCHAR a = trendtab::posix::FoldCase(*first);
        const WCHAR b = trendtab::posix::FoldCase(*second);
        if (a != b || a == 0) {
            return static_cast<int>(a) - static_cast<int>(b);
        }
    }
}

int _vsnwprintf(WCHAR* buffer, std::size_t count, const WCHAR* format, std::va_list arguments) {
    Sink out(buffer, count);
    for (const WCHAR* p = format; *p != 0; ++p) {
        if (*p != u'%') {
            out.Put(*p);
            continue;
        }
        // %[flags][width][.precision][l|h]conversion, rebuilt as a narrow format for numbers.
        std::string format = "%";
        ++p;
        while (*p == u'-' || *p == u'+' || *p == u' ' || *p == u'0' || *p == u'#') {
            format.push_back(static_cast<char>(*p++));
        }
        int width = 0;
        while (*p >= u'0' && *p <= u'9' && width < 1000) {
            width = width * 10 + (*p - u'0');
            format.push_back(static_cast<char>(*p++));
        }
        int precision = -1;
        if (*p == u'.') {
            format.push_back('.');
            ++p;
            precision = 0;
            while (*p >= u'0' && *p <= u'9' && precision < 1000) {
                precision = precision * 10 + (*p - u'0');
                format.push_back(static_cast<char>(*p++));
            }
        }
        bool isLong = false;
        while (*p == u'l' || *p == u'h') {
            isLong = isLong || *p == u'l';
            ++p;
        }
        switch (*p) {
            case u'd':
            case u'i':
            case u'u':
            case u'x':
            case u'X': {
                format += isLong ? "l" : "";
                format.push_back(static_cast<char>(*p));
                if (*p == u'd' || *p == u'i') {
                    if (isLong) {
                        FormatNumber(&out, format, va_arg(arguments, long));
                    } else {
                        FormatNumber(&out, format, va_arg(arguments, int));
                    }
                } else if (isLong) {
                    FormatNumber(&out, format, va_arg(arguments, unsigned long));
                } else {
                    FormatNumber(&out, format, va_arg(arguments, unsigned int));
                }
                break;
            }
            case u'c':
                out.Put(static_cast<WCHAR>(va_arg(arguments, int)));
                break;
            case u's': {
                // Wide functions take wide strings for %s, as the Microsoft runtime does.
                const WCHAR* text = va_arg(arguments, const WCHAR*);
                if (text == nullptr) {
                    text = u"(null)";
                }
                std::size_t length = 0;
                while (text[length] != 0 &&
                       (precision < 0 || length < static_cast<std::size_t>(precision))) {
                    ++length;
                }
                const bool left = format.find('-') != std::string::npos;
                for (std::size_t i = length; !left && i < static_cast<std::size_t>(width); ++i) {
                    out.Put(u' ');
                }
                for (std::size_t i = 0; i < length; ++i) {
                    out.Put(text[i]);
                }
                for (std::size_t i = length; left && i < static_cast<std::size_t>(width); ++i) {
                    out.Put(u' ');
                }
                break;
            }
            case u'%':
                out.Put(u'%');
                break;
            default:
                // Unknown conversion (or the end of the format): kept as written.
                out.Put(u'%');
                if (*p == 0) {
                    --p;
                } else {
                    out.Put(*p);
                }
                break;
        }
    }
    const std::size_t length = out.Length();
    if (length >= count) {
        // Did not fit with its terminator: Microsoft's runtime then adds no terminator, and
        // reports -1 unless the text filled the buffer exactly.
        return length == count ? static_cast<int>(length) : -1;
    }
    buffer[length] = 0;
    return static_cast<int>(length);
}

int _snwprintf(WCHAR* buffer, std::size_t count, const WCHAR* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    const int result = _vsnwprintf(buffer, count, format, arguments);
    va_end(arguments);
    return result;
}
