#include "News.h"

#include "Cp932.h"
#include "FileAccess.h"

#include <QFile>
#include <QStringDecoder>

namespace moyuta::shell {

namespace {

QString noticeLogPath(const AppState &s)
{
    return s.shell.programFolder + kNoticeLogName;
}

// The log's text; false when it cannot be read (not a regular file, no
// permission, or a size no log of confirmed notices reaches).
bool readNoticeLog(const AppState &s, QString &log)
{
    QFile file(noticeLogPath(s));
    if (!openRegularFile(file) || file.size() > kMaxNoticeLogBytes)
        return false;
    const QByteArray bytes = file.read(kMaxNoticeLogBytes + 1);
    if (bytes.size() > kMaxNoticeLogBytes || file.error() != QFileDevice::NoError)
        return false;
    log = fromCp932(bytes);
    return true;
}

void writeNoticeLog(const AppState &s, const QString &log)
{
    saveFile(noticeLogPath(s), toCp932(log));  // on failure the notice shows again at the next start
}

}  // namespace

QString responseText(const NewsResponse &response)
{
    if (!response.ok)
        return {};
    QStringDecoder named(response.charset.constData());
    QString text = named.isValid() && !response.charset.isEmpty() ? named.decode(response.body)
                                                                  : QString::fromUtf8(response.body);
    const QString japanese = fromCp932(response.body);
    if (text.isEmpty())
        text = japanese;
    else if (!text.contains(QStringLiteral("???")) && !japanese.isEmpty())
        text = japanese;
    return text;
}

QString extractNotice(const QString &document)
{
    const qsizetype at = document.indexOf(kNoticeKeyword);
    if (at < 0)
        return {};
    QString notice = document.mid(at + kNoticeKeyword.size(), 500);
    if (!notice.isEmpty() && notice.back().isHighSurrogate())
        notice.chop(1);  // half a character at the cut
    qsizetype first = 0, last = notice.size();
    while (first < last && notice[first] == QLatin1Char(' '))
        ++first;
    while (last > first && notice[last - 1] == QLatin1Char(' '))
        --last;
    notice = notice.mid(first, last - first);
    for (const char *tag : {"<BR>", "<br>", "<BR />", "<br />"})
        notice.replace(QLatin1String(tag), QStringLiteral("\n"));
    notice.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    notice.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    if (const qsizetype empty = notice.indexOf(QStringLiteral("\r\n\r\n")); empty >= 0)
        notice.truncate(empty + 2);  // the notice ends at its first empty line
    return notice;
}

void offerNotice(AppState &s)
{
    s.news.text = extractNotice(responseText(s.ports.news.fetch()));
    if (s.news.text.isEmpty() || s.shell.quitting)
        return;
    if (QFile::exists(noticeLogPath(s))) {
        if (!readNoticeLog(s, s.news.log)) {
            s.news.log.clear();
            s.news.logUnreadable = true;
            s.ports.windows.closeSplash();
            s.warn(kNoticeLogError);
        } else if (s.news.log.contains(fromCp932(toCp932(s.news.text)))) {
            return;  // confirmed at an earlier start (as the log could hold it)
        }
    }
    s.ports.windows.closeSplash();
    s.newsForm.Text1.text = s.news.text;
    s.ports.windows.showNewsWindow();
}

void onNoticeConfirmedClick(AppState &s)
{
    s.news.confirmed = s.newsForm.Check1.checked;
}

void onNewsCloseButton(AppState &s)
{
    if (s.flags.busy)
        return;
    const BusyScope busy(s);
    s.ports.windows.closeNewsWindow();
}

void onNewsWindowClosing(AppState &s)
{
    if (s.news.windowClosing)
        return;
    s.news.windowClosing = true;
    s.news.log += s.news.text + QStringLiteral("\r\n");
    s.newsForm.Text1.text = s.news.log;
    // A log that could not be read is not replaced by what little is known of it.
    if (s.news.confirmed && !s.news.logUnreadable)
        writeNoticeLog(s, s.news.log);
    // Start-up shows the main window itself when it has not finished; a close
    // request or a start-up error ends the program instead.
    if (s.shell.startupComplete && !s.shell.quitting && !s.shell.startupFailed)
        s.ports.windows.showMainWindow();
}

}  // namespace moyuta::shell
