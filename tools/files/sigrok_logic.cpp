// SPDX-License-Identifier: MIT
// The sigrok session with the thresholded lines beside the volts, in memory or to a file.
#include "tools/files/sigrok_logic.h"

#include "tools/files/codecs.h"
#include "tools/files/safe_write.h"
#include "tools/files/zip_archive.h"

namespace zarvo::files {

std::string EncodeSigrokWithLogic(const core::Record& record, const LogicThresholds& logic) {
    files::ZipWriter zip;
    files::AddSigrok(zip, record, &logic);
    return zip.Finish();
}

void WriteSigrokWithLogic(const std::string& path, const core::Record& record,
                          const LogicThresholds& logic) {
    const std::optional<std::string> file = files::ReplaceableFile(path);
    if (!file) {
        files::WriteFileSafely(path, EncodeSigrokWithLogic(record, logic));
        return;
    }
    // Straight to the file, as the plain session is written.
    files::ZipWriter zip(*file);
    files::AddSigrok(zip, record, &logic);
    zip.Finish();
}

}  // namespace zarvo::files
