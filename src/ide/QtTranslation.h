// Qt's own texts in Russian (standard buttons, file dialogs), from Debian's
// qt6-translations-l10n. The environment's own texts are Russian already.
#pragma once

class QCoreApplication;

namespace zk::ide {

// Loads "qtbase_ru" from Qt's translations directory into `app`; false when
// it is not installed, and Qt then speaks English.
bool InstallQtTranslation(QCoreApplication& app);

} // namespace zk::ide
