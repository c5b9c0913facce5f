// tollspar: converts an Oracle schema into a MySQL database or dump file from the command
// line. Exit code 0 when everything arrived, 1 when the run finished but reported tables or
// records that did not arrive, -1 (255) for every failure that stopped it.
#include <exception>

#include "TK/tk_log.h"
#include "app/console/con_front.h"
#include "app/console/con_out.h"
#include "app/console/con_parse.h"
#include "app/console/con_usage.h"
#include "app/qrn_conv.h"
#include "app/qrn_errh.h"

namespace {

int run_conversion(int argc, char** argv) {
    quarnel_convertor conv(error_handler::instance().front());
    if (argc <= 1 || !parse_cmd_line(argc, argv))
        tk_console_fatal(con_usage_text(qrn_version_major, qrn_version_minor));
    conv.connect_oracle_server(conv.source_name());
    if (conv.is_mysql_direct()) conv.connect_mysql_server();
    conv.check_dest();
    conv();
    // An error at the top of the run (the destination could not be opened, a standard
    // exception) has been reported; it is still a failed run.
    if (conv.run_failed()) return -1;
    return conv.run_losses() > 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    tk_log log(nullptr, false, 3, false);
    con_front_end front;
    error_handler handler(front, static_cast<int>(qrn_oracle_errors().size()), qrn_oracle_errors().data());
    handler.load_err_map(static_cast<int>(qrn_mysql_errors().size()), qrn_mysql_errors().data());
    try {
        try {
            return run_conversion(argc, argv);
        } catch (const tk_exception& e) {
            // Levels 1 and 2 end the process inside the handler. A level-0 error here (an
            // Oracle or MySQL error while connecting or checking) stopped the program before
            // any conversion, so it is a failure too.
            handler.handle(e, false);
            return -1;
        } catch (const std::exception& e) {
            tk_console_fatal(e.what());
        }
    } catch (const qrn_exit_request& r) {
        return r.code;
    }
}
