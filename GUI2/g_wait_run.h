// Work that waits on the network (a server's answer), run on a worker thread while the wait
// dialog shows, so that the window keeps repainting and answering meanwhile. On the
// user-interface thread only.
//
//   bool exists = false;
//   wait_for_work(u"Checking the destination database.\r\nPlease wait...",
//                 [&] { exists = conv.is_mysql_base_exist(name); });
#pragma once

#include <functional>

#include "compat/text/text.h"

// Returns once the work has ended; what it raised is raised here, on the caller's thread.
void wait_for_work(const compat::wstring& text, const std::function<void()>& work);

// The texts of the wait dialog for the wizard's waits.
inline constexpr const char16_t* wait_mysql_connect = u"Connecting to MySQL server.\r\nPlease wait...";
inline constexpr const char16_t* wait_query_test = u"Testing the query on the Oracle server.\r\nPlease wait...";
inline constexpr const char16_t* wait_dest_check = u"Checking the destination database.\r\nPlease wait...";
inline constexpr const char16_t* wait_dest_drop = u"Dropping the destination database.\r\nPlease wait...";
