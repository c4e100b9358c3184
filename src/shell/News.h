#pragma once
// The news notice: fetched at every start, shown in a window of its own
// until the user confirms it; confirmed notices are kept in InfoLog.txt.

#include "Shell.h"

namespace moyuta::shell {

inline const QString kNoticeKeyword = QStringLiteral("Moyutaお知らせ：");
inline const QString kNoticeLogName = QStringLiteral("InfoLog.txt");
inline const QString kNoticeLogError = QStringLiteral("InfoLogファイルオープンエラー");
// A log larger than this is not read (and so never overwritten).
constexpr qint64 kMaxNoticeLogBytes = 16 * 1024 * 1024;

// The document as text: the body in its charset (UTF-8 when it names none
// that is known), replaced by its cp932 reading unless that text holds "???".
QString responseText(const NewsResponse &response);
// The notice in a document: up to 500 characters after the keyword, the
// <BR> tags as line breaks, cut at the first empty line. Empty without the keyword.
QString extractNotice(const QString &document);

// Start-up: fetch, and when the notice is new, the news window instead of the main window.
void offerNotice(AppState &s);

// The news window.
void onNoticeConfirmedClick(AppState &s);                      // Check1
void onNewsCloseButton(AppState &s);                           // Command1 "閉じる(&B)"
// The window closes (its button or close box): a confirmed notice goes into
// the log; the main window shows unless the program is ending.
void onNewsWindowClosing(AppState &s);

}  // namespace moyuta::shell
