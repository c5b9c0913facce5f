#include "tests/console/con_fixture.h"

#include "tests/support/isolated_run.h"
#include "tests/support/sandbox.h"

namespace con_test {

const char* const store_sql = R"(
CREATE USER scott IDENTIFIED BY tiger;
CREATE TABLE dept (deptno NUMBER(2) PRIMARY KEY, dname VARCHAR2(14), loc VARCHAR2(13));
INSERT INTO dept VALUES (10, 'ACCOUNTING', 'NEW YORK');
INSERT INTO dept VALUES (20, 'RESEARCH', 'DALLAS');
INSERT INTO dept VALUES (30, 'SALES', 'CHICAGO');
CREATE TABLE emp (empno NUMBER(4) PRIMARY KEY, ename VARCHAR2(10), deptno NUMBER(2), hired DATE);
INSERT INTO emp VALUES (7369, 'SMITH', 20, TO_DATE('1980-12-17', 'YYYY-MM-DD'));
INSERT INTO emp VALUES (7499, 'ALLEN', 30, TO_DATE('1981-02-20', 'YYYY-MM-DD'));
INSERT INTO emp VALUES (7521, 'WARD', 30, TO_DATE('1981-02-22', 'YYYY-MM-DD'));
INSERT INTO emp VALUES (7566, 'JONES', 20, TO_DATE('1981-04-02', 'YYYY-MM-DD'));
INSERT INTO emp VALUES (7698, 'BLAKE', 30, NULL);
CREATE TABLE "Café" (id NUMBER(3));
INSERT INTO "Café" VALUES (1);
COMMIT;
)";

void tollspar_test::SetUp() {
    dir_.build_text("CONS", store_sql);
    options_ = test_support::isolated_options(dir_.path(), MG_OCILITE_LIB);
}

proc_result tollspar_test::tollspar(const std::vector<std::string>& args, const proc_options& extra) const {
    std::vector<std::string> argv{MG_TOLLSPAR};
    argv.insert(argv.end(), args.begin(), args.end());
    proc_options o = options_;
    for (const auto& [k, v] : extra.env) o.env[k] = v;
    if (!extra.cwd.empty()) o.cwd = extra.cwd;
    o.file_size_limit = extra.file_size_limit;
    return run_process(argv, o);
}

proc_result tollspar_test::mariadb(const std::vector<std::string>& args, const std::string& input,
                                   const std::string& port) {
    std::vector<std::string> argv{"/usr/bin/mariadb",
                                  "--no-defaults",
                                  "-h",
                                  "127.0.0.1",
                                  "-P",
                                  port.empty() ? std::to_string(test_support::sandbox_port()) : port,
                                  "-u",
                                  "root",
                                  "-N",
                                  "-B"};
    argv.insert(argv.end(), args.begin(), args.end());
    proc_options o;
    o.stdin_file = input;
    return run_process(argv, o);
}

std::vector<std::string> tollspar_test::source_args() const {
    return {"--src=CONS", "--oraclu=scott", "--oraclp=tiger"};
}

}  // namespace con_test
