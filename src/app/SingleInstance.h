#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace shell {

// One running program per user. The first start listens on a local socket named
// after the title and the user; a later start connects, asks it to come forward
// and ends. A socket left behind by a crashed run is removed and taken over.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // "Tesvora-" + the user's login name.
    // The title, the user and the bank: two banks may be open at once, one bank only once.
    static QString defaultKey(const QString& title, const QString& bankPath = QString());

    explicit SingleInstance(const QString& key, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when another instance took the request to come forward: this one ends.
    // Otherwise this instance starts listening and returns false.
    bool handOverToRunning(int timeoutMs = 1000);
    bool isListening() const;
    QString key() const { return m_key; }

Q_SIGNALS:
    // Another start asked this instance to show itself.
    void showRequested();

private:
    void listen();
    void readRequest();

    QString m_key;
    QLocalServer* m_server = nullptr;
};

} // namespace shell
