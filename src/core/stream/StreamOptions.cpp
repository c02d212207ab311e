#include "core/stream/StreamOptions.h"

#include "core/files/NameLimit.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QUrl>

#include <algorithm>

#include <sys/stat.h>

namespace tavin {

namespace {

// Where the user information before the host starts: after "scheme://", else (no scheme) at the start.
qsizetype afterScheme(const QString& url)
{
    const qsizetype end = url.indexOf(QStringLiteral("://"));
    const auto schemeChar = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
               c == u'+' || c == u'-' || c == u'.';
    };
    return end > 0 && std::all_of(url.begin(), url.begin() + end, schemeChar) ? end + 3 : 0;
}

// Where the user part ends, as URLs read it: at the last "@" before the host, since a password
// may hold "/ ? # @" of its own; -1 when there is none.
qsizetype userPartEnd(const QString& url)
{
    const qsizetype at = url.lastIndexOf(u'@');
    return at >= afterScheme(url) ? at : -1;
}

// Why `url`, read as `u`, names no broker; empty when it names `a`.
QString urlProblem(const QString& url, const QUrl& u, const BrokerAddress& a)
{
    // A path's rule: no control character, which would split a line of the log or cut it short.
    if (QString why = TextRoleProblem(url, TextRole::Folder); !why.isEmpty())
        return why;
    if (userPartEnd(url) >= 0)  // it would stand in the settings file and the log
        return QStringLiteral(
            "ユーザーとパスワードは URL に書かず、MqttUser と MqttPasswordFile に指定してください");
    if (!u.isValid() || (u.scheme() != QStringLiteral("mqtt") && !a.tls))
        return QStringLiteral("mqtt://ホスト:ポート または mqtts://ホスト:ポート の形で書いてください");
    if (a.host.isEmpty())
        return QStringLiteral("ホスト名がありません");
    if ((!u.path().isEmpty() && u.path() != QStringLiteral("/")) || u.hasQuery() || u.hasFragment())
        return QStringLiteral("トピックは URL に書かず、MqttTopic に指定してください");
    if (a.port < 1 || a.port > 65535)
        return QStringLiteral("ポート番号は 1 から 65535 です");
    return QString();
}

}  // namespace

std::optional<BrokerAddress> ParseBrokerUrl(const QString& url, QString* why)
{
    const QUrl u(url, QUrl::StrictMode);
    BrokerAddress a;
    a.tls = u.scheme() == QStringLiteral("mqtts");
    a.host = u.host(QUrl::EncodeUnicode);  // the name the resolver takes
    a.port = u.port(a.tls ? 8883 : 1883);
    if (const QString problem = urlProblem(url, u, a); !problem.isEmpty()) {
        if (why)
            *why = problem;
        return std::nullopt;
    }
    return a;
}

QString UrlForText(const QString& url)
{
    const qsizetype end = userPartEnd(url);
    return ControlsShown(end < 0 ? url : url.left(afterScheme(url)) + QStringLiteral("***") + url.mid(end));
}

QString TopicProblem(const QString& topic)
{
    if (topic.isEmpty())
        return QStringLiteral("トピックが空です");
    if (topic.contains(u'+') || topic.contains(u'#'))
        return QStringLiteral("ワイルドカード (+ #) は使えません");
    if (topic.startsWith(u'$'))
        return QStringLiteral("$ で始まるトピックはブローカーのものです");
    if (topic.contains(QChar(0)) || topic.endsWith(u'/'))
        return QStringLiteral("NUL 文字や末尾の / は使えません");
    if (topic.toUtf8().size() > 1000)
        return QStringLiteral("長すぎます");
    return QString();
}

QString DefaultTopic(const QString& portName)
{
    QString host = QSysInfo::machineHostName();
    host.replace(u'+', u'_').replace(u'#', u'_').replace(u'/', u'_');
    if (host.isEmpty())
        host = QStringLiteral("localhost");
    const QString port = portName.startsWith(u'/') ? QFileInfo(portName).fileName() : portName;
    return QStringLiteral("tavin/%1/%2").arg(host, port);
}

QString ReadPasswordFile(const QString& path, QString* password)
{
    struct stat st {};
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &st) != 0)
        return QStringLiteral("パスワードファイル %1 がありません。").arg(path);
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("パスワードファイル %1 は通常のファイルではありません。").arg(path);
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return QStringLiteral("パスワードファイル %1 は他のユーザーも読み書きできるため使いません。"
                              "chmod 600 %1 としてください。")
            .arg(path);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("パスワードファイル %1 を読めません (%2)。").arg(path, f.errorString());
    QByteArray line = f.read(64 * 1024);
    if (const qsizetype end = line.indexOf('\n'); end >= 0)
        line.truncate(end);
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty())
        return QStringLiteral("パスワードファイル %1 の 1 行目が空です。").arg(path);
    *password = QString::fromUtf8(line);
    return QString();
}

}  // namespace tavin
