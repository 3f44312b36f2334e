// The fixed texts of the HTML report and of its save dialog, written once.
#pragma once

namespace kestrine::texts {

inline constexpr char kSaveHtmlTitle[] = "Save HTML";
inline constexpr char kSaveHtmlFilter[] = "HTML files (*.html)|*.HTML|HTM files (*.htm)|*.HTM";
inline constexpr char kSaveHtmlExtension[] = "*.html";
inline constexpr char kStyleSheetName[] = "style.css";
inline constexpr char kReportWebAddress[] = "https://kestrine.example.org/";
inline constexpr char kReportEmailAddress[] = "kestrine@example.org";
inline constexpr char kCannotCreateFile[] = "Cannot create file \"%s\". %s";
inline constexpr char kCannotWriteFile[] = "Cannot write file \"%s\". %s";
// kestrine-cli --html with no style sheet to copy: the report is written all the same.
inline constexpr char kStyleSheetNotFound[] =
    "no style sheet (style.css) was found beside the program or in its data folder: the report "
    "is written without one";
inline constexpr char kCannotCopyStyleSheet[] = "The style sheet could not be copied to \"%s\". %s";

}  // namespace kestrine::texts
