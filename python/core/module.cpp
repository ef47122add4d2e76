// trendtab._core: the reading core as the Python package sees it. The core checks the header;
// this module hands it to Python and turns stamps into datetime64 counts. The records themselves
// are read by numpy straight from a memory map.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <system_error>
#include <type_traits>
#include <vector>

#include "history/little_endian.h"
#include "history/rejection_message.h"
#include "python/core/history_opening.h"
#include "python/core/stamp_times.h"

namespace py = pybind11;

namespace trendtab::python {
namespace {

// Tag texts are 8-bit: UTF-8 where they are valid UTF-8, otherwise one character per byte.
py::str TagText(const std::string& bytes) {
    PyObject* text =
        PyUnicode_DecodeUTF8(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), "strict");
    if (text == nullptr) {
        PyErr_Clear();
        text =
            PyUnicode_DecodeLatin1(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), "strict");
    }
    if (text == nullptr) {
        throw py::error_already_set();
    }
    return py::reinterpret_steal<py::str>(text);
}

py::list TagTexts(const std::vector<std::string>& texts) {
    py::list list;
    for (const std::string& text : texts) {
        list.append(TagText(text));
    }
    return list;
}

py::dict ReadHeader(const std::string& path) {
    HistoryFile opened;
    try {
        py::gil_scoped_release release;
        opened = OpenHistory(path);
    } catch (const std::system_error& error) {
        errno = error.code().value();
        PyErr_SetFromErrnoWithFilename(PyExc_OSError, path.c_str());
        throw py::error_already_set();
    }
    const HistoryHeader& header = opened.header;
    py::dict info;
    info["refused"] = !opened.ok();
    info["message"] = py::bytes(RejectionMessage(opened.error, path));
    info["layout"] = header.layout() == Layout::Compact ? "compact" : "wide";
    info["type"] = header.type;
    info["record_size"] = header.recordSize;
    info["tags"] = TagTexts(header.tagNames);
    info["descriptions"] = TagTexts(header.tagSecondFields);
    info["record_start"] = opened.recordStart;
    info["record_count"] = opened.recordCount;
    info["trailing_bytes"] = opened.trailingBytes;
    return info;
}

// Nanoseconds since 1970 for each stamp of a one-dimensional view on the records (any strides;
// a record may start at any byte), and how many became NaT.
template <typename Stamp, std::int64_t (*Convert)(Stamp)>
py::tuple StampsToNanoseconds(const py::array& stamps) {
    const char kind = std::is_signed_v<Stamp> ? 'i' : 'u';
    if (stamps.ndim() != 1 || stamps.dtype().kind() != kind ||
        stamps.itemsize() != static_cast<py::ssize_t>(sizeof(Stamp))) {
        throw py::type_error("stamps must be a one-dimensional array of the layout's stamps");
    }
    const auto* bytes = static_cast<const unsigned char*>(stamps.data());
    const py::ssize_t stride = stamps.strides(0);
    const py::ssize_t count = stamps.shape(0);
    py::array_t<std::int64_t> out(count);
    std::int64_t* result = out.mutable_data();
    std::int64_t outOfRange = 0;
    {
        py::gil_scoped_release release;
        for (py::ssize_t i = 0; i < count; ++i) {
            result[i] = Convert(LoadLittleEndian<Stamp>(bytes + i * stride));
            outOfRange += result[i] == kNotATime;
        }
    }
    return py::make_tuple(out, outOfRange);
}

}  // namespace
}  // namespace trendtab::python

PYBIND11_MODULE(_core, module) {
    using namespace trendtab::python;
    module.doc() = "Reading core of the trendtab package (internal; use the trendtab package).";
    module.def("read_header", &ReadHeader, py::arg("path"),
               "Header, tags and record geometry of a history file; OSError for I/O problems.");
    module.def("compact_stamps_to_ns", &StampsToNanoseconds<std::int32_t, CompactStampNanoseconds>,
               py::arg("stamps"));
    module.def("wide_stamps_to_ns", &StampsToNanoseconds<std::uint64_t, WideStampNanoseconds>,
               py::arg("stamps"));
}
