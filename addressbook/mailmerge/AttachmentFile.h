// The files a mail merge attaches to its messages. Only regular files of
// at most kMaxAttachmentBytes are taken: a FIFO would keep the send waiting
// for a writer, a device such as /dev/zero never ends, and a folder cannot
// be read at all. The wizard checks a file when it is added; the job checks
// it again when it reads it, on the opened descriptor, since the path may
// name something else by then.
#pragma once

#include <cstdint>
#include <string>

#include "store/Result.h"

namespace velmora {

namespace mailmerge {
// 25 MB (25 x 1,048,576 bytes) per attachment; the page that takes the
// attachments says so.
inline constexpr uint64_t kMaxAttachmentBytes = uint64_t(25) * 1024 * 1024;
inline constexpr const char* kAttachmentLimitText = "Each attachment is a file of at most 25 MB.";
}  // namespace mailmerge

// The path as an absolute one with every link and "." or ".." resolved, as
// the wizard lists it; the path unchanged when it cannot be resolved.
std::string ResolvedAttachmentPath(const std::string& path);

// Whether the path names a regular file of at most limit bytes that this
// user can read. The failure's message says why not: "not a regular file",
// "larger than 25 MB", or the system's reason.
Result CheckAttachment(const std::string& path, uint64_t limit = mailmerge::kMaxAttachmentBytes);

// The file's bytes. The path must name the regular file itself (a link is
// refused); it is opened without waiting on a FIFO or taking a terminal,
// judged by the opened descriptor, and at most limit bytes are read, so a
// file that grows meanwhile is refused rather than read on.
ResultOf<std::string> ReadAttachment(const std::string& path, uint64_t limit = mailmerge::kMaxAttachmentBytes);

}  // namespace velmora
