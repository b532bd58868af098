#include "system/Log.h"

#include <vector>

#include "system/WindowsVersion.h"

namespace plover {

namespace {

// A line ends at CR, LF or CR LF; a break at the very end opens no new line.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(text.substr(start, i - start));
            i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// Drops the older half of the lines. The cut works on the handle the caller
// holds, so no other writer can slip in between reading and rewriting and the
// new line is never lost to a failed reopen. The newer half is written over
// the start of the file, in bytes the file already has, so a full disk does
// not stop it; should the rewrite fail all the same, the whole record is
// put back as it was: a cut that fails loses the cut, never the log.
void CutOlderHalf(OpenFile& file) {
    if (!file.SeekToStart()) return;
    const auto content = file.ReadToEnd();
    if (!content) return;
    const auto lines = SplitLines(*content);
    std::string kept;
    kept.reserve(content->size() / 2 + 2);
    for (size_t i = lines.size() / 2; i < lines.size(); ++i) {
        kept.append(lines[i]);
        kept.append("\r\n");
    }
    if (!file.SeekToStart()) return;
    if (file.Write(kept) && file.Truncate()) return;
    if (file.SeekToStart() && file.Write(*content)) file.Truncate();
}

// Appends the line at the end; a line that does not fit whole (a full disk)
// is taken back out, so that no fragment is left for the next line to be
// glued onto.
void AppendLine(OpenFile& file, uint64_t end, std::string_view line) {
    if (file.Write(line)) return;
    if (file.SeekTo(end)) file.Truncate();
}

}  // namespace

const char* TrueFalse(bool value) { return value ? "True" : "False"; }

std::string FormatLogTimestamp(const Platform& os, const LocalDateTime& when) {
    std::string stamp = os.clock.FormatShortDate(when);
    const bool midnight =
        when.hour == 0 && when.minute == 0 && when.second == 0 && when.milliseconds == 0;
    if (!midnight) {
        stamp += ' ';
        stamp += os.clock.FormatLongTime(when);
    }
    return stamp;
}

void WriteLog(const Platform& os, std::string_view message, std::string_view detail) {
    const std::string path = GetTempFolder(os) + LogFileName;
    auto file =
        os.files.Open(path, FileAccess::ReadWrite, FileShare::None, FileDisposition::OpenAlways);
    if (file) {
        os.debug.Output("needs to write");
        auto size = file->SeekToEnd();
        if (size && *size > LogSizeLimit) {
            os.debug.Output("truncate");
            CutOlderHalf(*file);
            size = file->SeekToEnd();
        }
        std::string line;
        line.reserve(message.size() + detail.size() + 40);
        line += '[';
        line += FormatLogTimestamp(os, os.clock.Now());
        line += "] ";
        line += message;
        line += ' ';
        line += detail;
        line += "\r\n";
        if (size) AppendLine(*file, *size, line);
        file.reset();
    }
    os.debug.Output(message);
    os.debug.Output(detail);
}

}  // namespace plover
