#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream(stdout) << "dirquill-cli " << QStringLiteral(DQ_VERSION) << '\n';
    return 0;
}
