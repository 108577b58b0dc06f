#pragma once

// Plugs the views' halves of the core services into the layers below:
// the standard error alert into MivErrorPresenter and the icon theme into
// Qt's icon lookup. Called once by start-up, on the main thread, after the
// QApplication exists and before any window is shown.
void installViewServices();
