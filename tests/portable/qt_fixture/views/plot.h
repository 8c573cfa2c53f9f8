// A core file with a Qt header.
#pragma once
#include <QPainter>
#include <string>
