// One program per desktop session: the first start serves the freedesktop application interface
// (org.freedesktop.Application) on the session bus, and a later start hands its documents, or
// its bare start, to that program and ends.
#pragma once

#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <QtDBus/QDBusContext>
#include <functional>
#include <string>
#include <vector>

namespace platform::qt {

// The program's name on the bus, from its maker's domain, and the object path that goes with it.
inline constexpr char kBusName[] = "com.quorvane.whichkontakt";
inline constexpr char kObjectPath[] = "/com/quorvane/whichkontakt";

class ApplicationService : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

 public:
  // opened: local files handed over, as path bytes, in order; activated: a bare start.
  ApplicationService(std::function<void(const std::vector<std::string>&)> opened,
                     std::function<void()> activated);
  ~ApplicationService() override;

  enum class Outcome {
    kServing,     // this is the session's program; later starts reach it through the handlers
    kHandedOver,  // the session's program took the documents (or the bare start)
    kAlone,       // no bus, or no answer on it: this program runs on its own
  };
  // Never blocks for long: a program that owns the name but does not answer is given up on
  // within a second.
  Outcome Start(const std::vector<std::string>& documents);

 public slots:
  void Activate(const QVariantMap& platformData);
  void Open(const QStringList& uris, const QVariantMap& platformData);
  void ActivateAction(const QString& actionName, const QVariantList& parameter,
                      const QVariantMap& platformData);

 private:
  std::function<void(const std::vector<std::string>&)> opened_;
  std::function<void()> activated_;
  bool serving_ = false;
};

// The file: URI of a path, every byte kept: the bytes are percent-encoded, never decoded as
// text. A relative path is taken from the current folder.
QString FileUriOf(const std::string& path);

}  // namespace platform::qt
