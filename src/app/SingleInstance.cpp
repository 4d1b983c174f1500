#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QFileInfo>

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcInstance, "tesvora.instance", QtWarningMsg)

namespace shell {

namespace {
const QByteArray kShowRequest = QByteArrayLiteral("show\n");
}

QString SingleInstance::defaultKey(const QString& title, const QString& bankPath)
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    if (user.isEmpty())
        user = QDir::home().dirName();
    // Keep the socket name a plain file name.
    QString safe;
    for (const QChar c : user)
        safe += c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-') ? c : QLatin1Char('_');
    QString key = title + QLatin1Char('-') + safe;
    if (!bankPath.isEmpty()) {
        // The same file however it was spelled; a short digest keeps the name short.
        const QFileInfo bank(bankPath);
        const QString canonical = bank.exists() ? bank.canonicalFilePath() : bank.absoluteFilePath();
        key += QLatin1Char('-')
               + QString::fromLatin1(QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
    }
    return key;
}

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : QObject(parent)
    , m_key(key)
{
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::handOverToRunning(int timeoutMs)
{
    {
        QLocalSocket socket;
        socket.connectToServer(m_key);
        if (socket.waitForConnected(timeoutMs)) {
            socket.write(kShowRequest);
            if (socket.waitForBytesWritten(timeoutMs)) {
                socket.disconnectFromServer();
                if (socket.state() != QLocalSocket::UnconnectedState)
                    socket.waitForDisconnected(timeoutMs);
                return true;
            }
        }
    }
    listen();
    return false;
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

void SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_key)) {
        // Nobody answered, so whatever holds the name is a leftover of a crash.
        QLocalServer::removeServer(m_key);
        if (!m_server->listen(m_key))
            qCWarning(lcInstance) << "cannot listen on" << m_key << m_server->errorString();
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = m_server->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            auto read = [this, s] {
                while (s->canReadLine()) {
                    if (s->readLine() == kShowRequest) {
                        qCInfo(lcInstance) << "another start asked this one to show itself";
                        Q_EMIT showRequested();
                    }
                }
            };
            connect(s, &QLocalSocket::readyRead, this, read);
            read(); // the request may have arrived with the connection
        }
    });
}

} // namespace shell
