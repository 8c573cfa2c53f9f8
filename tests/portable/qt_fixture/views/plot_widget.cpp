#include "views/plot_widget.h"

#include <QtWidgets/QWidget>
// #include <QString> in a comment is no include
