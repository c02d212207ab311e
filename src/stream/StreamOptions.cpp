#include "stream/StreamOptions.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QUrl>

#include <sys/stat.h>

namespace tavin {

std::optional<BrokerAddress> ParseBrokerUrl(const QString& url, QString* why)
{
    const QUrl u(url, QUrl::StrictMode);
    BrokerAddress a;
    a.tls = u.scheme() == QStringLiteral("mqtts");
    a.host = u.host(QUrl::EncodeUnicode);  // the name the resolver takes
    a.port = u.port(a.tls ? 8883 : 1883);
    QString problem;
    if (!u.isValid() || (u.scheme() != QStringLiteral("mqtt") && !a.tls))
        problem = QStringLiteral("mqtt://ホスト:ポート または mqtts://ホスト:ポート の形で書いてください");
    else if (a.host.isEmpty())
        problem = QStringLiteral("ホスト名がありません");
    else if (!u.userInfo().isEmpty())  // it would stand in the settings file and the log
        problem = QStringLiteral("ユーザーとパスワードは URL に書かず、MqttUser と MqttPasswordFile に指定してください");
    else if ((!u.path().isEmpty() && u.path() != QStringLiteral("/")) || u.hasQuery() || u.hasFragment())
        problem = QStringLiteral("トピックは URL に書かず、MqttTopic に指定してください");
    else if (a.port < 1 || a.port > 65535)
        problem = QStringLiteral("ポート番号は 1 から 65535 です");
    if (!problem.isEmpty()) {
        if (why)
            *why = problem;
        return std::nullopt;
    }
    return a;
}

QString UrlForText(const QString& url)
{
    const qsizetype scheme = url.indexOf(QStringLiteral("://"));
    const qsizetype start = scheme < 0 ? 0 : scheme + 3;
    const qsizetype at = url.indexOf(u'@', start);
    const qsizetype slash = url.indexOf(u'/', start);
    if (at < 0 || (slash >= 0 && slash < at))
        return url;
    return url.left(start) + QStringLiteral("***") + url.mid(at);
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
