#include "platform/qt/window_activation.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QRegularExpression>
#include <QWidget>
#include <cstdlib>
#include <cstring>

namespace platform::qt {
namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
      nullptr);
  const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return atom;
}

xcb_window_t RootOf(xcb_connection_t* connection, xcb_window_t window) {
  xcb_get_geometry_reply_t* reply =
      xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
  const xcb_window_t root = reply != nullptr ? reply->root : xcb_window_t{XCB_WINDOW_NONE};
  std::free(reply);
  return root;
}

void SendLaunchFinished(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window,
                        const QString& startupId) {
  const xcb_atom_t begin = Atom(connection, "_NET_STARTUP_INFO_BEGIN");
  const xcb_atom_t more = Atom(connection, "_NET_STARTUP_INFO");
  bool first = true;
  for (const StartupInfoPiece& piece : LaunchFinishedPieces(startupId)) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 8;
    event.window = window;
    event.type = first ? begin : more;
    first = false;
    std::memcpy(event.data.data8, piece.data(), piece.size());
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_PROPERTY_CHANGE,
                   reinterpret_cast<const char*>(&event));
  }
}

// The X server time at which the launch began, from a startup id's "_TIME<n>" part; 0 when it
// has none.
quint32 LaunchTime(const QString& startupId) {
  static const QRegularExpression time(QStringLiteral("_TIME([0-9]+)$"));
  const QRegularExpressionMatch match = time.match(startupId);
  return match.hasMatch() ? match.captured(1).toUInt() : 0;
}

}  // namespace

std::vector<StartupInfoPiece> LaunchFinishedPieces(const QString& startupId) {
  QString quoted = startupId;
  quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
      .replace(QLatin1Char('"'), QStringLiteral("\\\""));
  // The message ends with its NUL byte, which may start a piece of its own.
  const QByteArray message = "remove: ID=\"" + quoted.toUtf8() + "\"" + '\0';
  std::vector<StartupInfoPiece> pieces;
  for (qsizetype offset = 0; offset < message.size(); offset += kStartupInfoPieceSize) {
    StartupInfoPiece piece{};
    const qsizetype length = std::min<qsizetype>(kStartupInfoPieceSize, message.size() - offset);
    std::memcpy(piece.data(), message.constData() + offset, static_cast<size_t>(length));
    pieces.push_back(piece);
  }
  return pieces;
}

void ActivateForLaunch(QWidget& window, const QString& startupId) {
  window.raise();
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (startupId.isEmpty() || x11 == nullptr || x11->connection() == nullptr) {
    window.activateWindow();
    return;
  }
  xcb_connection_t* connection = x11->connection();
  const auto id = static_cast<xcb_window_t>(window.winId());
  const xcb_window_t root = RootOf(connection, id);
  const QByteArray idBytes = startupId.toUtf8();
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, Atom(connection, "_NET_STARTUP_ID"),
                      Atom(connection, "UTF8_STRING"), 8, static_cast<uint32_t>(idBytes.size()),
                      idBytes.constData());
  // As an application's own request, stamped with the time the user launched it; the window
  // manager weighs that time against the user's last input elsewhere.
  xcb_client_message_event_t activate{};
  activate.response_type = XCB_CLIENT_MESSAGE;
  activate.format = 32;
  activate.window = id;
  activate.type = Atom(connection, "_NET_ACTIVE_WINDOW");
  activate.data.data32[0] = 1;
  activate.data.data32[1] = LaunchTime(startupId);
  xcb_send_event(connection, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&activate));
  SendLaunchFinished(connection, root, id, startupId);
  xcb_flush(connection);
}

}  // namespace platform::qt
