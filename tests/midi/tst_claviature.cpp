#include "QZPTestMain.h"
class Placeholder : public QObject {
    Q_OBJECT
};
QZP_TEST_MAIN(Placeholder)
#include "tst_claviature.moc"
