// The installer's question whether to leave the installation (a message box, no window).
#pragma once

class QWidget;

// The question's title and text, before translation.
inline constexpr char exitQuestionTitle[] = "安装询问";
inline constexpr char exitQuestionText[] = "您确定退出zelvane2.0安装程序吗？";

// Asks whether to leave the installation; Yes ends the process with status 0 at once.
// The texts are translated in the context of the asking window's class.
void askToQuit(QWidget *window);
