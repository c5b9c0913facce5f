#include "app/console/con_usage.h"

#include "compat/text/format.h"

namespace {
constexpr const char* usage_format =
    "tollspar v%d.%d\n"
    "Usage: tollspar.EXE OPTIONS\n"
    "\n"
    "   --case_sense   make all CHAR and VARCHAR fields case sensitive\n"
    "   --dest=...     MySQL database or dump file name\n"
    "   --dump         convert Oracle database into MySQL dump file\n"
    "   --help         display this help message and exit\n"
    "   --logfile=...  path to the file where execution trace will be written\n"
    "   --mode=...     how to process an existing MySQL database\n"
    "                  (0 - overwrite the entire database, 1 - overwrite\n"
    "                  existing tables only, 2 - skip existing tables,\n"
    "                  3 - merge, 4 - synchronize)\n"
    "   --mysqlh=...   MySQL server IP address or network name\n"
    "   --mysqlu=...   MySQL user name\n"
    "   --mysqlp=...   MySQL user password\n"
    "   --myport=...   MySQL port\n"
    "   --oraclh=...   Network name or IP address of Oracle server\n"
    "   --oraclu=...   Oracle user name\n"
    "   --oraclp=...   Oracle user password\n"
    "   --oraport=...  Oracle port\n"
    "   --profile=...  path to the file to load conversion settings from\n"
    "   --silent       disable program output\n"
    "   --skip_idx     skip converting indexes\n"
    "   --src=...      Oracle database name\n"
    "   --tab_def      convert table definitions only\n"
    "   --tab_file=... file containing the list of tables to convert\n"
    "                  (one table name per line)\n"
    "   --views        convert Oracle views into MySQL\n"
    "\n"
    "NOTES:\n"
    "   1) You can omit 'mysqlh' to connect local database server.\n"
    "   2) It is necessary to specify 'myport' parameter only if it deffers from\n"
    "      the default MySQL port 3306.\n"
    "   3) It is necessary to specify 'oraport' parameter only if it deffers from\n"
    "      the default Oracle port 1521.\n"
    "   4) If you omit 'tab_file' parameter, all database tables will be converted.\n"
    "   5) If you omit 'mode' parameter, default mode 'overwrite the entire\n"
    "      database' will be used.\n"
    "   6) Command line parameters that contain spaces should be enclosed in\n"
    // A console shows text as it is: the quotes are real ones, not markup entities.
    "      quotes (for example --dest=\"my database\")";
}  // namespace

std::string con_usage_text(int major, int minor) {
    return compat::format(usage_format, major, minor);
}
