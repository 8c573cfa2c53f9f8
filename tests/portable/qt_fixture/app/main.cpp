#include <QApplication>

int main() {
    return 0;
}
