// libFuzzer target: bytes through every workbook operation. Build in a
// separate folder configured with CC=clang CXX=clang++ -DR7_BUILD_FUZZ=ON and
// run for example
//     fuzz_xlsxworkbook -max_len=65536 corpus/ ../tests/corpus/
//
// An input whose first byte is even is taken as a whole file. Mutations of a
// compressed archive seldom get past its checksums, so an odd first byte makes
// the rest the XML parts of a package this target packs itself: workbook,
// sheet and shared strings, separated by the byte 0x1e.

#include "xlsxexercise.h"

#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

const char Rels[] =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"/xl/sharedStrings.xml\"/></Relationships>";

QByteArray pack(const QList<QByteArray> &parts)
{
    static const char *const names[] = {"xl/workbook.xml", "xl/worksheets/sheet1.xml", "xl/sharedStrings.xml"};
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *archive = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t *zip = archive ? zip_open_from_source(archive, ZIP_TRUNCATE, &error) : nullptr;
    QByteArray out;
    if (zip) {
        const QByteArray rels(Rels);
        zip_file_add(zip, "xl/_rels/workbook.xml.rels", zip_source_buffer(zip, rels.constData(), rels.size(), 0), 0);
        for (int i = 0; i < parts.size() && i < 3; ++i) {
            const zip_int64_t index = zip_file_add(
                zip, names[i], zip_source_buffer(zip, parts.at(i).constData(), parts.at(i).size(), 0), 0);
            if (index >= 0)
                zip_set_file_compression(zip, zip_uint64_t(index), ZIP_CM_STORE, 0);
        }
        zip_source_keep(archive);
        if (zip_close(zip) != 0)
            zip_discard(zip);
        if (zip_source_open(archive) == 0) {
            char buffer[65536];
            zip_int64_t n;
            while ((n = zip_source_read(archive, buffer, sizeof buffer)) > 0)
                out.append(buffer, int(n));
            zip_source_close(archive);
        }
        zip_source_free(archive);
    } else if (archive) {
        zip_source_free(archive);
    }
    zip_error_fini(&error);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    if (size > 0 && (data[0] & 1))
        exerciseWorkbook(pack(bytes.mid(1).split('\x1e')));
    else
        exerciseWorkbook(bytes);
    return 0;
}
