// SPDX-License-Identifier: MIT
// The sigrok session with the thresholded lines beside the volts, in memory or to a file.
#include "tools/files/sigrok_logic.h"

#include "tools/files/codecs.h"
#include "tools/files/safe_write.h"
#include "tools/files/zip_archive.h"

namespace zarvo::files {

std::string EncodeSigrokWithLogic(const cli::Record& record, const LogicThresholds& logic) {
    cli::files::ZipWriter zip;
    cli::files::AddSigrok(zip, record, &logic);
    return zip.Finish();
}

void WriteSigrokWithLogic(const std::string& path, const cli::Record& record,
                          const LogicThresholds& logic) {
    const std::optional<std::string> file = cli::ReplaceableFile(path);
    if (!file) {
        cli::WriteFileSafely(path, EncodeSigrokWithLogic(record, logic));
        return;
    }
    // Straight to the file, as the plain session is written.
    cli::files::ZipWriter zip(*file);
    cli::files::AddSigrok(zip, record, &logic);
    zip.Finish();
}

}  // namespace zarvo::files
