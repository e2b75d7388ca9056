// The views' tables and pictures by name: a closed window is forgotten, never called.
#include "platform/Errors.h"
#include "viewer/session/ViewProviders.h"

#include <gtest/gtest.h>

#include <memory>

TEST(ViewProviders, AClosedWindowIsForgottenAndTheMissingViewIsNamed)
{
    TDataTableProviders tables;
    auto window = std::make_unique<QObject>();
    tables.Register(QStringLiteral("kymogram"), window.get(), [] { return QByteArray("frame,column\n"); });
    EXPECT_EQ(tables.Get(QStringLiteral("kymogram")), QByteArray("frame,column\n"));
    window.reset();
    EXPECT_FALSE(tables.Has(QStringLiteral("kymogram")));
    try {
        tables.Get(QStringLiteral("kymogram"));
        ADD_FAILURE() << "a closed window's table was read";
    } catch (const EError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("The kymogram window is not there to export from"));
    }
    EXPECT_THROW(tables.Get(QStringLiteral("waveform")), EError);  // never registered
}
