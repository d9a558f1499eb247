#include "worker/WorkerTestSupport.h"

#include <ibase.h>
#include <stdlib.h>

#include <stdexcept>

#include "support/TestFiles.h"

namespace vantrytest {

std::string createDatabase() {
    // removeDatabase removes the directory.
    std::string path = testsupport::TempDir("vantry-test").release() + "/test.fdb";
    std::string sql = "CREATE DATABASE '" + path + "' USER 'SYSDBA' PASSWORD 'masterkey' DEFAULT CHARACTER SET NONE";
    ISC_STATUS status[20];
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;
    if (isc_dsql_execute_immediate(status, &db, &tr, 0, sql.c_str(), SQL_DIALECT_V6, nullptr)) {
        char line[512];
        const ISC_STATUS* v = status;
        std::string why;
        while (fb_interpret(line, sizeof line, &v) > 0) why += std::string(line) + "\n";
        throw std::runtime_error("could not create " + path + ": " + why);
    }
    isc_detach_database(status, &db);
    return path;
}

void removeDatabase(const std::string& path) { testsupport::removeTree(path.substr(0, path.rfind('/'))); }

LocalWorker::LocalWorker(const std::string& database, const std::string& name) : worker(transport, name) {
    vantry::ConnectParams params;
    params.database = database;
    params.user = "SYSDBA";
    params.password = "masterkey";
    attached = worker.attach(params) && worker.allocate();
}

std::string LocalWorker::ask(const std::string& request, int more) {
    transport.clear();
    std::string copy = request;  // NUL-terminated, as the router delivers it
    if (worker.serve(copy.c_str(), static_cast<int>(copy.size()), more) != vantry::Worker::Outcome::Served)
        throw std::runtime_error("the worker failed fatally on: " + request);
    return transport.text();
}

}  // namespace vantrytest
