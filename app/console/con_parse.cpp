#include "app/console/con_parse.h"

#include <cstring>
#include <optional>

#include "TK/tk_cmdli.h"
#include "TK/tk_trace.h"
#include "TK/tk_utils.h"
#include "app/console/con_opts.h"
#include "app/console/con_out.h"
#include "app/console/con_tabf.h"
#include "app/console/con_usage.h"
#include "app/qrn_conv.h"
#include "app/qrn_errh.h"
#include "app/qrn_port.h"
#include "compat/text/format.h"

using compat::wstring;

namespace {

// The connection settings gathered from the line; the converter's halves take them only
// when no profile supplied its own.
struct connection_settings {
    wstring ora_host = u"localhost";
    wstring ora_user;
    wstring ora_password;
    wstring ora_port = u"1521";
    std::string my_host;
    std::string my_user;
    std::string my_password;
    bool my_password_given = false;
    std::string my_port = "3306";
};

// A port that wraps or carries trailing text would reach some other server.
void check_port(const char* option, const char* value) {
    if (qrn_parse_port(value)) return;
    throw tk_exception(compat::format("Invalid port number '%s': %s takes 1 to 65535", value, option), 1);
}

// A password never reaches the trace log, not even from the raw argument list.
std::string loggable_argument(const char* arg) {
    for (const char* prefix : {"--mysqlp=", "--oraclp="})
        if (std::strncmp(arg, prefix, std::strlen(prefix)) == 0) return std::string(prefix) + tk_hidden_password;
    return arg;
}

void apply_option(tk_cmdli& it, connection_settings& c, bool& profile_loaded,
                  std::optional<udb_overwrite_mode>& line_mode) {
    quarnel_convertor& conv = quarnel_convertor::instance();
    const char* value = it.get_value();
    switch (it.get_id()) {
        case OPT_CASE_SENSE:
            conv.set_case_sensitive(true);
            tk_log::log(2, "\tcase sensitive=true");
            break;
        case OPT_DEST:
            conv.set_destination_name(tk_to_wide(value));
            conv.set_destination_file(value);
            tk_log::log(2, u"\tgot dest %s", conv.destination_name());
            break;
        case OPT_DUMP:
            conv.set_mysql_direct(false);
            tk_log::log(2, "\tconvert into dump files");
            break;
        case OPT_HELP:
            tk_console_fatal(con_usage_text(qrn_version_major, qrn_version_minor));
        case OPT_LOGFILE:
            conv.set_logfile(value);
            tk_log::log(1, "parse_cmd_line - got logfile %s", value);
            break;
        case OPT_MODE: {
            auto mode = con_parse_mode(value);
            if (!mode) tk_console_fatal("Invalid merge/overwrite mode");
            conv.set_mode(*mode);
            line_mode = *mode;
            tk_log::log(2, "\tgot mode %d", static_cast<int>(*mode));
            break;
        }
        case OPT_MYSQLH:
            c.my_host = value;
            break;
        case OPT_MYSQLU:
            c.my_user = value;
            break;
        case OPT_MYSQLP:
            c.my_password = value;
            c.my_password_given = true;
            break;
        case OPT_MYPORT:
            check_port("--myport=", value);
            c.my_port = value;
            break;
        case OPT_ORACLH:
            c.ora_host = tk_to_wide(value);
            break;
        case OPT_ORACLU:
            c.ora_user = tk_to_wide(value);
            break;
        case OPT_ORACLP:
            c.ora_password = tk_to_wide(value);
            break;
        case OPT_ORAPORT:
            check_port("--oraport=", value);
            c.ora_port = tk_to_wide(value);
            break;
        case OPT_SILENT:
            conv.set_silent(true);
            error_handler::instance().set_silent(true);
            con_set_silent(true);
            tk_log::log(1, "parse_cmd_line - silent mode is ON");
            break;
        case OPT_SKIP_IDX:
            conv.skip_idx = true;
            tk_log::log(2, "\tskip converting indexes");
            break;
        case OPT_SRC:
            conv.set_source_name(tk_to_wide(value));
            tk_log::log(2, u"\tgot src %s", conv.source_name());
            break;
        case OPT_TAB_DEF:
            conv.tab_def = true;
            tk_log::log(2, "\tconvert table definitions only");
            break;
        case OPT_TAB_FILE:
            tk_log::log(2, "\tparse_cmd_line - got tab_file %s", value);
            process_tab_file(value);
            break;
        case OPT_PROFILE: {
            const wstring path = tk_to_wide(value);
            tk_log::log(1, u"parse_cmd_line - got profile %s", path);
            profile_loaded = conv.load_profile(path);
            break;
        }
        default:  // unrecognised: collected by the iterator, refused after the walk
            break;
    }
}

}  // namespace

bool parse_cmd_line(int argc, const char* const* argv) {
    tk_log::log(2, "parse_cmd_line");
    for (int i = 0; i < argc; ++i) tk_log::log(1, "parameter #%d: %s", i, loggable_argument(argv[i]));

    connection_settings c;
    bool profile_loaded = false;
    std::optional<udb_overwrite_mode> line_mode;
    tk_cmdli it(argc, argv, con_option_table);
    while (it.has_more()) {
        apply_option(it, c, profile_loaded, line_mode);
        it.next();
    }
    if (it.unrecognised_count() > 0) return false;

    // A profile may lack the source or the destination as much as a command line may; a
    // run without either cannot start, so both are checked on every road.
    quarnel_convertor& conv = quarnel_convertor::instance();
    if (conv.source_name().empty()) tk_console_fatal("You should enter Oracle database name");
    if (conv.destination_name().empty())
        tk_console_fatal("You should enter destination MySQL database or dump file name");
    // A dump's load drops and creates the tables it holds: asked to keep or merge into
    // existing tables, it would destroy them.
    const udb_overwrite_mode mode = conv.get_mode();
    if (!conv.is_mysql_direct() && line_mode == mode &&
        (mode == udb_overwrite_mode::skip_tables || mode == udb_overwrite_mode::merge))
        tk_console_fatal("A dump file cannot skip existing tables or merge into them (--mode=" +
                         std::to_string(static_cast<int>(mode)) + " with --dump)");
    if (!profile_loaded) {
        if (c.ora_host.empty()) tk_console_fatal("You should enter network name or IP address of Oracle server");
        conv.store_oracle_settings(c.ora_host, c.ora_user, c.ora_password, c.ora_port);
        conv.store_mysql_settings(c.my_host, c.my_user, c.my_password, c.my_port);
        conv.set_mysql_password_given(c.my_password_given);
    }
    return true;
}

void process_tab_file(const std::string& path) {
    tk_log::log(1, "process_tab_file(%s)", path);
    auto names = con_read_table_names(path);
    if (!names) tk_console_fatal("Table names file does not exist.\nPlease verify the correct path/name was given.");
    quarnel_convertor& conv = quarnel_convertor::instance();
    conv.set_selection_given();
    // The run converts the table map, into which a profile has already put its plain
    // tables: they go too, so that the file's list is the whole plain selection. Tables
    // with a custom query stay.
    for (auto it = conv.table_map.begin(); it != conv.table_map.end();) {
        if (it->second.empty())
            it = conv.table_map.erase(it);
        else
            ++it;
    }
    conv.selected_tables = std::move(*names);
}
