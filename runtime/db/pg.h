// A thin layer over libpq: one connection, statements prepared on first
// use, parameters and results in binary form, and errors told apart into a
// broken connection and a statement the server refused.
#ifndef VXDB_PG_H
#define VXDB_PG_H

#include <libpq-fe.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace vxdb {

// A statement with a name of its own, prepared once per connection.
struct Statement {
  std::string name;
  std::string sql;
};

// Parameters in binary form (or, for arrays, text).
class Params {
 public:
  Params& i16(int16_t value);
  Params& i32(int32_t value);
  Params& i64(int64_t value);
  Params& boolean(bool value);
  Params& text(const std::string& value);
  Params& bytes(const void* data, size_t length);
  // A bigint[] in its text form.
  Params& int64Array(const std::vector<int64_t>& values);
  Params& null();

  int count() const { return static_cast<int>(values_.size()); }
  const char* const* values() const;
  const int* lengths() const { return lengths_.data(); }
  const int* formats() const { return formats_.data(); }

 private:
  Params& add(std::string bytes, int format);
  // Each value's bytes, kept here; external ones (bytes()) point elsewhere.
  std::vector<std::string> owned_;
  std::vector<const char*> external_;
  mutable std::vector<const char*> values_;
  std::vector<int> lengths_;
  std::vector<int> formats_;
};

// One row of a binary result.
class Row {
 public:
  Row(const PGresult* result, int row) : result_(result), row_(row) {}
  bool isNull(int column) const;
  int16_t i16(int column) const;
  int32_t i32(int column) const;
  int64_t i64(int column) const;
  bool boolean(int column) const;
  std::string text(int column) const;
  const uint8_t* bytes(int column) const;
  int length(int column) const;

 private:
  const PGresult* result_;
  int row_;
};

class Result {
 public:
  Result() = default;
  explicit Result(PGresult* result) : result_(result, PQclear) {}
  bool ok() const;
  int rows() const { return result_ ? PQntuples(result_.get()) : 0; }
  Row row(int i) const { return Row(result_.get(), i); }
  // The number of rows a statement changed.
  int64_t changed() const;
  std::string sqlState() const;
  std::string message() const;

 private:
  std::unique_ptr<PGresult, void (*)(PGresult*)> result_{nullptr, PQclear};
};

class Connection {
 public:
  Connection() = default;
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Connects; on failure error() tells why (with any password left out).
  bool open(const std::string& conninfo);
  // A connection that holds nothing between statements (no transaction, no
  // lock, no session) may connect again when its server went away: a
  // statement that finds it broken outside a transaction is tried once more.
  void reconnectWhenBroken() { reconnects_ = true; }
  void close();
  bool broken() const;
  const std::string& error() const { return error_; }
  PGconn* raw() { return conn_; }

  // Runs a named statement; ok() of the result tells success. After a
  // failure error() has the server's message, and broken() whether the
  // connection is gone.
  Result run(const Statement& statement, const Params& params = Params());
  // A statement without parameters, not prepared (BEGIN, COMMIT, LISTEN...).
  Result simple(const std::string& sql);
  // Statements separated by semicolons, in text form (the schema).
  Result script(const std::string& sql);

  // Statements sent together and answered together, in one round trip, as
  // one transaction: when one fails, none of them has any effect. The
  // results come in the order of the steps; after a failure error() has the
  // first failure's message and failedState() its SQLSTATE. A step after,
  // when given, is sent with them and runs once they have committed, in a
  // transaction of its own whose failure is not reported (announcements:
  // they wait neither for the flush of the commit nor hold up others').
  struct Step {
    const Statement* statement;
    Params params;
  };
  bool pipeline(std::vector<Step>& steps, std::vector<Result>& results, const Step* after = nullptr);
  const std::string& failedState() const { return failedState_; }

 private:
  void remember(const PGresult* result);
  bool retry();
  Result runOnce(const Statement& statement, const Params& params);
  bool pipelineOnce(std::vector<Step>& steps, std::vector<Result>& results, const Step* after);
  Result simpleOnce(const std::string& sql);
  PGconn* conn_ = nullptr;
  bool reconnects_ = false;
  std::string conninfo_;
  std::string failedState_;
  std::unordered_set<std::string> prepared_;
  std::string error_;
};

// The connection string with its password value left out, to be printed.
std::string withoutPassword(const std::string& conninfo);

}  // namespace vxdb

#endif
