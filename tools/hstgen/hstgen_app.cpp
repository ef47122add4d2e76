#include "tools/hstgen/hstgen_app.h"

#include <fstream>
#include <istream>
#include <limits>
#include <map>
#include <ostream>
#include <sstream>

#include "tools/hstgen/description.h"
#include "tools/hstgen/hst_text.h"
#include "tools/hstgen/series.h"

namespace hstgen {

const char* const kUsageText =
    R"(Usage:
  hstgen OUT.hst --from DESCRIPTION
  hstgen OUT.hst [generation options]
  hstgen --help

Writes a trend history file (.hst).

  --from DESCRIPTION         build the file from a description ('-' reads standard input)

Description: one directive per line; a line starting with # is a comment.
  layout compact|wide        first directive if present (default compact)
  type N                     infoFile type (default 2 compact, 1 wide)
  record-size N              record size in bytes (default from the number of tags)
  tag-text-size N            wide: size of the tag text (default its length)
  num-tags N                 infoHead number of tags (default the tags given)
  tag NAME [SECOND]          a tag; SECOND (wide) is the second field of its pair (default -)
  tag-text TEXT              wide: the whole tag text, as it is
  slot INDEX TEXT            compact: the bytes of slot INDEX (from 0), cut or padded to 256
  record STAMP [VALUE...]    a record
  raw-record BYTES           a record made of exactly these bytes
  trailing BYTES             bytes after the records (lines add up)
  truncate N                 cut the file to N bytes
  STAMP  YYYY-MM-DDTHH:MM:SS[.fffffff] in UTC; @N raw seconds (compact, -2^31 to 2^32-1);
         #N raw ticks (wide, -2^63 to 2^64-1)
  VALUE  a decimal number, nan, -nan, inf, -inf, or 0xBITS: the exact bits of the
         float (compact, up to 8 hex digits) or double (wide, up to 16)
  NAME, SECOND, TEXT and BYTES may be "quoted" and take the escapes \t \n \r \0 \\ \" \xHH.

Generation options: a well-formed series, streamed in constant memory.
  --layout compact|wide      default compact
  --tags N                   0 to 250 tags named Tag001, Tag002, ... (default 4)
  --records N                default 1000
  --start STAMP              first stamp (default 2020-01-01T00:00:00)
  --step SECONDS             between stamps, up to 7 decimals, may be negative (default 1)
  --values PATTERN           trend, random, ramp or const:VALUE (default trend)
  --seed N                   default 1; the same seed gives the same bytes everywhere
  --wide-tags K              trend: K tags hold values from 1e8 to 2e8 (default 0)

Exit status: 0 written, 1 the file could not be written, 2 bad arguments.
)";

namespace {

// Thrown for a bad command line; caught in RunHstgen.
struct BadArguments {
    std::string message;
};

bool ReadAll(std::istream& in, std::string& text) {
    std::ostringstream bytes;
    bytes << in.rdbuf();
    text = bytes.str();
    return !in.bad();
}

std::uint64_t ParseCount(const std::string& option, const std::string& text, std::int64_t max) {
    std::int64_t value = 0;
    std::string error;
    if (!ParseInteger(text, 0, max, value, error)) {
        throw BadArguments{option + ": " + error};
    }
    return static_cast<std::uint64_t>(value);
}

SeriesOptions ScanSeriesOptions(const std::map<std::string, std::string>& given) {
    SeriesOptions options;
    std::string error;
    const auto get = [&given](const char* name) -> const std::string* {
        const auto it = given.find(name);
        return it == given.end() ? nullptr : &it->second;
    };
    if (const std::string* layout = get("--layout")) {
        if (*layout != "compact" && *layout != "wide") {
            throw BadArguments{"--layout is compact or wide, not '" + *layout + "'"};
        }
        options.layout = *layout == "wide" ? Layout::Wide : Layout::Compact;
    }
    if (const std::string* tags = get("--tags")) {
        options.tags = static_cast<int>(ParseCount("--tags", *tags, kMaxSeriesTags));
    }
    if (const std::string* records = get("--records")) {
        options.records =
            ParseCount("--records", *records, std::numeric_limits<std::int64_t>::max());
    }
    if (const std::string* start = get("--start")) {
        std::int64_t stamp = 0;
        if (!ParseStamp(*start, options.layout, stamp, error)) {
            throw BadArguments{"--start: " + error};
        }
        options.startTicks = options.layout == Layout::Wide
                                 ? stamp
                                 : (stamp + kSecondsFrom1601To1970) * kTicksPerSecond;
    }
    if (const std::string* step = get("--step")) {
        if (!ParseSeconds(*step, options.stepTicks, error)) {
            throw BadArguments{"--step: " + error};
        }
    }
    if (const std::string* values = get("--values")) {
        const std::string& v = *values;
        if (v == "trend") {
            options.pattern = ValuePattern::Trend;
        } else if (v == "random") {
            options.pattern = ValuePattern::Random;
        } else if (v == "ramp") {
            options.pattern = ValuePattern::Ramp;
        } else if (v.rfind("const:", 0) == 0) {
            Value value;
            if (!ParseValue(v.substr(6), options.layout, value, error)) {
                throw BadArguments{"--values: " + error};
            }
            options.pattern = ValuePattern::Const;
            options.constValue = value.number;
            options.constBits = value.bits;
        } else {
            throw BadArguments{"--values is trend, random, ramp or const:VALUE, not '" + v + "'"};
        }
    }
    if (const std::string* seed = get("--seed")) {
        options.seed = ParseCount("--seed", *seed, std::numeric_limits<std::int64_t>::max());
    }
    if (const std::string* wide = get("--wide-tags")) {
        options.wideTags = static_cast<int>(ParseCount("--wide-tags", *wide, kMaxSeriesTags));
    }
    error = CheckSeriesOptions(options);
    if (!error.empty()) {
        throw BadArguments{error};
    }
    return options;
}

int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& err) {
    static const char* const kValued[] = {"--from", "--layout", "--tags", "--records",  "--start",
                                          "--step", "--values", "--seed", "--wide-tags"};
    std::string output;
    std::map<std::string, std::string> given;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            if (!output.empty()) {
                throw BadArguments{"more than one output file: '" + output + "' and '" + arg + "'"};
            }
            if (arg.empty()) {
                throw BadArguments{"the output file name is empty"};
            }
            output = arg;
            continue;
        }
        bool known = false;
        for (const char* name : kValued) {
            known = known || arg == name;
        }
        if (!known) {
            throw BadArguments{"unknown option '" + arg + "' (see hstgen --help)"};
        }
        if (i + 1 == args.size()) {
            throw BadArguments{arg + " needs a value"};
        }
        if (!given.emplace(arg, args[++i]).second) {
            throw BadArguments{arg + " given twice"};
        }
    }
    if (output.empty()) {
        throw BadArguments{"no output file (see hstgen --help)"};
    }

    const auto from = given.find("--from");
    if (from == given.end()) {
        const SeriesOptions options = ScanSeriesOptions(given);
        if (!WriteSeriesFile(output, options)) {
            err << "hstgen: cannot write '" << output << "'\n";
            return kExitCannotWrite;
        }
        return kExitOk;
    }
    if (given.size() > 1) {
        throw BadArguments{"--from takes no generation options"};
    }
    const std::string& source = from->second;
    const std::string sourceName = source == "-" ? "standard input" : source;
    std::string text;
    if (source == "-") {
        if (!ReadAll(in, text)) {
            throw BadArguments{"cannot read standard input"};
        }
    } else {
        std::ifstream file(source, std::ios::binary);
        if (!file || !ReadAll(file, text)) {
            throw BadArguments{"cannot read '" + source + "'"};
        }
    }
    HistoryPlan content;
    DescriptionError error;
    if (!ParseDescription(text, content, error)) {
        throw BadArguments{sourceName + ":" + std::to_string(error.line) + ": " + error.message};
    }
    if (!WriteHistoryFile(output, content)) {
        err << "hstgen: cannot write '" << output << "'\n";
        return kExitCannotWrite;
    }
    return kExitOk;
}

}  // namespace

int RunHstgen(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
              std::ostream& err) {
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            out << kUsageText;
            return kExitOk;
        }
    }
    try {
        return Run(args, in, err);
    } catch (const BadArguments& bad) {
        err << "hstgen: " << bad.message << "\n";
        return kExitBadArguments;
    }
}

}  // namespace hstgen
