// The numbers of the messages and texts in the string tables
// (resources/Strings.h) that the shared frame and the programs show. Where
// the two programs word a message differently, each shows its own under the
// same number.
#pragma once

namespace velmora {

inline constexpr int kMsgIntro = 100;               // the "Intro" pane's text
inline constexpr int kMsgPasswordsDiffer = 101;     // the two passwords typed differ
inline constexpr int kMsgNoPermission = 102;        // the access level does not allow it
inline constexpr int kMsgIncorrectPassword = 103;   // the file cannot be opened with that password
inline constexpr int kMsgDeleteCategory = 104;      // question before deleting a category
inline constexpr int kMsgBeingEdited = 106;         // another user is editing the record
inline constexpr int kMsgFileExists = 113;          // "Create New File" names a file that exists
inline constexpr int kMsgCannotCreateFile = 114;    // "Create New File" could not make it

}  // namespace velmora
