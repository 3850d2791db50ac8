// The installer's question whether to leave the installation (a message box, no window).
#pragma once

class QWidget;

// Asks whether to leave the installation; Yes ends the process with status 0 at once.
// The texts are translated in the context of the asking window's class.
void askToQuit(QWidget *window);
