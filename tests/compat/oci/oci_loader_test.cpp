#include "compat/oci/oci_loader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

TEST(OciLoader, MissingLibraryIsAnErrorNamingIt) {
    const std::string path = "/nonexistent/libclntsh-missing.so";
    try {
        compat::oci_loader loader(path);
        FAIL() << "loading a missing library succeeded";
    } catch (const compat::oci_load_error& e) {
        EXPECT_EQ(e.library(), path);
        EXPECT_TRUE(e.symbol().empty());
        const std::string text = e.what();
        EXPECT_NE(text.find(path), std::string::npos) << text;
        // dlerror's own explanation is part of the message.
        EXPECT_NE(text.find("No such file"), std::string::npos) << text;
    }
}

TEST(OciLoader, MissingFunctionIsAnErrorNamingIt) {
    try {
        compat::oci_loader loader(FAKE_CLIENT_PARTIAL);
        FAIL() << "a library without OCILobRead was accepted";
    } catch (const compat::oci_load_error& e) {
        EXPECT_EQ(e.library(), FAKE_CLIENT_PARTIAL);
        EXPECT_EQ(e.symbol(), "OCILobRead");
        const std::string text = e.what();
        EXPECT_NE(text.find("OCILobRead"), std::string::npos) << text;
        EXPECT_NE(text.find(FAKE_CLIENT_PARTIAL), std::string::npos) << text;
    }
}

TEST(OciLoader, ResolvesEveryFunctionAndOtherSymbols) {
    compat::oci_loader loader(FAKE_CLIENT_FULL);
    const compat::oci_functions& fn = loader.fn();
#define EXPECT_RESOLVED(name) EXPECT_NE(reinterpret_cast<void*>(fn.name), nullptr) << #name;
    COMPAT_OCI_FUNCTIONS(EXPECT_RESOLVED)
#undef EXPECT_RESOLVED
    auto marker = reinterpret_cast<int (*)()>(loader.find_symbol("fake_client_marker"));
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(marker(), 4711);
    EXPECT_EQ(loader.find_symbol("no_such_symbol"), nullptr);
}

TEST(OciLoader, DefaultLibraryFollowsTheEnvironment) {
    ::setenv("MARROWGATE_OCI_LIB", FAKE_CLIENT_FULL, 1);
    EXPECT_EQ(compat::oci_loader::default_libraries(), std::vector<std::string>{FAKE_CLIENT_FULL});
    compat::oci_loader loader;
    EXPECT_EQ(loader.library(), FAKE_CLIENT_FULL);

    // Without the variable: the unversioned link, then the names Instant Client installs.
    const std::vector<std::string> instant_client = {"libclntsh.so",      "libclntsh.so.23.1", "libclntsh.so.21.1",
                                                     "libclntsh.so.19.1", "libclntsh.so.18.1", "libclntsh.so.12.1",
                                                     "libclntsh.so.11.1"};
    ::setenv("MARROWGATE_OCI_LIB", "", 1);
    EXPECT_EQ(compat::oci_loader::default_libraries(), instant_client);
    ::unsetenv("MARROWGATE_OCI_LIB");
    EXPECT_EQ(compat::oci_loader::default_libraries(), instant_client);
}

TEST(OciLoader, CandidatesAreTriedInOrder) {
    compat::oci_loader loader(std::vector<std::string>{"/nonexistent/libclntsh.so", "/nonexistent/libclntsh.so.23.1",
                                                       FAKE_CLIENT_FULL, FAKE_CLIENT_PARTIAL});
    EXPECT_EQ(loader.library(), FAKE_CLIENT_FULL);
    // A library that opens but lacks a function is reported as itself, not passed over.
    try {
        compat::oci_loader partial(std::vector<std::string>{"/nonexistent/libclntsh.so", FAKE_CLIENT_PARTIAL});
        FAIL() << "a library without OCILobRead was accepted";
    } catch (const compat::oci_load_error& e) {
        EXPECT_EQ(e.symbol(), "OCILobRead");
    }
}

TEST(OciLoader, NoCandidateOpeningNamesEveryFileAndTheVariable) {
    const std::vector<std::string> candidates = {"/nonexistent/libclntsh.so", "/nonexistent/libclntsh.so.19.1",
                                                 "/nonexistent/libclntsh.so.11.1"};
    try {
        compat::oci_loader loader(candidates);
        FAIL() << "loading missing libraries succeeded";
    } catch (const compat::oci_load_error& e) {
        const std::string text = e.what();
        for (const auto& c : candidates) EXPECT_NE(text.find(c), std::string::npos) << c << "\n" << text;
        EXPECT_NE(text.find("MARROWGATE_OCI_LIB"), std::string::npos) << text;
        EXPECT_TRUE(e.symbol().empty());
    }
}

}  // namespace
