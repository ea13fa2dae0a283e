// Every test executable runs inside a QApplication on the offscreen platform,
// so widgets can be created without a display. The program folders are
// known at build time too, for runs that do not pass them in the environment
// (ctest hands a test only the first variable of its ENVIRONMENT list).
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    for (const auto& [name, value] : {std::pair{"QUANDOR_TAVREL_DIR", QUANDOR_TEST_TAVREL_DIR},
                                      std::pair{"QUANDOR_BRENLOW_DIR", QUANDOR_TEST_BRENLOW_DIR},
                                      std::pair{"QUANDOR_SOURCE_DIR", QUANDOR_TEST_SOURCE_DIR}}) {
        if (qEnvironmentVariableIsEmpty(name))
            qputenv(name, value);
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
