// One program per desktop session: the first start serves the freedesktop application interface
// (org.freedesktop.Application) on the session bus, and a later start on the same display hands
// its documents, or its bare start, to that program and ends.
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
// The running program's answer to a call it does not take; the later start then runs alone.
inline constexpr char kNotTakenError[] = "com.quorvane.whichkontakt.Error.NotTaken";
// Its answer to an Open of which it took some URIs and refused others, which the error names.
// One that took none is InvalidArgs.
inline constexpr char kPartlyOpenedError[] = "com.quorvane.whichkontakt.Error.PartlyOpened";

class ApplicationService : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

 public:
  // opened: local files handed over, as path bytes, in order; activated: a bare start. Both get
  // the later start's launch (its startup id and activation token, only where well formed), and
  // return false when the program no longer takes anything (it is quitting).
  using Opened = std::function<bool(const std::vector<std::string>&, const QVariantMap&)>;
  using Activated = std::function<bool(const QVariantMap&)>;
  ApplicationService(Opened opened, Activated activated);
  ~ApplicationService() override;

  enum class Outcome {
    kServing,     // this is the session's program; later starts reach it through the handlers
    kHandedOver,  // the session's program took the documents (or the bare start), or there
                  // were arguments but none named a file
    kAlone,       // no bus, no answer on it, or another display: this program runs on its own
  };
  // Its own calls (the name's request, the hand-over) each end within kBusWaitLimitMs; the
  // connection itself is Qt's, made once the daemon has been seen to answer. launch: this
  // start's, as LaunchOfThisStart gave it.
  Outcome Start(const std::vector<std::string>& documents, const QVariantMap& launch = {});

 public slots:
  void Activate(const QVariantMap& platformData);
  // Answers an error naming every URI that is not an absolute local file URI (PartlyOpened when
  // it took others, which are still answered; InvalidArgs when it took none).
  void Open(const QStringList& uris, const QVariantMap& platformData);
  void ActivateAction(const QString& actionName, const QVariantList& parameter,
                      const QVariantMap& platformData);

 private:
  // Why a later start's call is not taken, or nothing when it is: it comes from another display,
  // or so late that the later start may have given up waiting and run alone.
  QString RefusalOf(const QVariantMap& platformData) const;
  void Refuse(const QString& why);
  void ReplyError(const QString& name, const QString& message);

  Opened opened_;
  Activated activated_;
  QString display_;
  bool serving_ = false;
};

// The desktop's startup id and activation token of this start, as platform data. Qt takes them
// out of the environment when the QApplication is made, so this must be read before.
QVariantMap LaunchOfThisStart();

// What a later start tells the running program besides its documents: its launch, its display
// and when it called.
QVariantMap LaterStartPlatformData(QVariantMap launch = {});

// The later start's X11 startup id as its platform data carries it; empty when it had none. Its
// Wayland activation token is carried too, but Qt 6.4 has no way to use it for a window already
// shown.
QString StartupIdOf(const QVariantMap& platformData);

// The file: URI of a path, every byte kept: the bytes are percent-encoded, never decoded as
// text. A relative path is taken from the current folder; empty when there is none.
QString FileUriOf(const std::string& path);

}  // namespace platform::qt
