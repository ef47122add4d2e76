// The description language of `hstgen --from`: one directive per line, building a HistoryPlan.
//
//   layout compact|wide        first directive if present; default compact
//   type N                     infoFile type (-32768..32767)
//   record-size N              recordSize (0..65535)
//   tag-text-size N            wide: tagTextSize (0..65535)
//   num-tags N                 infoHead numTags (-32768..32767)
//   tag NAME [SECOND]          a tag; SECOND (wide only) is the second field of its pair
//   tag-text TEXT              wide: the whole tag text, written as it is
//   slot INDEX TEXT            compact: the bytes of slot INDEX (0-based), cut or padded to 256
//   record STAMP [VALUE...]    a record; see ParseStamp and ParseValue
//   raw-record BYTES           a record made of exactly these bytes
//   trailing BYTES             bytes after the records (repeated lines append)
//   truncate N                 cut the file to N bytes
//
// Arguments are separated by spaces or tabs. An argument in double quotes may hold spaces; the
// text arguments (NAME, SECOND, TEXT, BYTES) take the escapes \t \n \r \0 \\ \" \xHH. A line
// whose first non-blank character is # is a comment.
#pragma once

#include <string>
#include <string_view>

#include "tools/hstgen/hst_writer.h"

namespace hstgen {

struct DescriptionError {
    int line = 0;  // 1-based; 0 when the error is not tied to a line
    std::string message;
};

// Parses `text` into `content`; false with `error` set at the first bad line.
bool ParseDescription(std::string_view text, HistoryPlan& content, DescriptionError& error);

}  // namespace hstgen
