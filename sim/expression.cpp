#include "expression.h"

#include <cctype>

namespace vylsim {

struct ExpressionNode {
  enum class Kind { Literal, Name, Index, Field, Call, Unary, Binary, Assign };
  Kind kind = Kind::Literal;
  std::string name;          // the name, field, function or operator
  const char* type = "int";  // of a literal
  uint16_t word = 0;         // of a literal
  std::string text;          // the source text, for messages
  std::vector<std::shared_ptr<const ExpressionNode>> kids;
};

namespace {

using Node = ExpressionNode;
using NodePtr = std::shared_ptr<const Node>;

struct Token {
  enum class Kind { End, Number, Char, Name, Operator };
  Kind kind = Kind::End;
  std::string text;
  uint16_t value = 0;
  size_t begin = 0;
};

const char* const operators[] = {">>>", "<<", ">>", "<=", ">=", "==", "!=", "&&", "||", "+", "-", "*", "/",
                                 "%",   "<",  ">",  "&",  "|",  "^",  "~",  "!",  "(",  ")", "[", "]", ".", ",", "="};

std::vector<Token> tokenize(const std::string& text) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (true) {
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    Token token;
    token.begin = i;
    if (i == text.size()) {
      tokens.push_back(token);
      return tokens;
    }
    const char c = text[i];
    if (std::isdigit(static_cast<unsigned char>(c))) {
      size_t end = i;
      int base = 10;
      if (c == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        end = i + 2;
      }
      uint32_t value = 0;
      const size_t digits = end;
      while (end < text.size() && std::isxdigit(static_cast<unsigned char>(text[end]))) {
        const char d = static_cast<char>(std::tolower(static_cast<unsigned char>(text[end])));
        const uint32_t digit = std::isdigit(static_cast<unsigned char>(d)) ? static_cast<uint32_t>(d - '0')
                                                                            : static_cast<uint32_t>(d - 'a' + 10);
        if (digit >= static_cast<uint32_t>(base)) break;
        value = value * static_cast<uint32_t>(base) + digit;
        if (value > 0xFFFF) throw EvaluationError("the number " + text.substr(i, end + 1 - i) + "... does not fit in 16 bits");
        ++end;
      }
      if (end == digits || (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_'))) {
        throw EvaluationError("'" + text.substr(i) + "' is not a number");
      }
      token.kind = Token::Kind::Number;
      token.value = static_cast<uint16_t>(value);
      token.text = text.substr(i, end - i);
      i = end;
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t end = i;
      while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_')) ++end;
      token.kind = Token::Kind::Name;
      token.text = text.substr(i, end - i);
      i = end;
    } else if (c == '\'') {
      size_t end = i + 1;
      uint16_t code = 0;
      if (end < text.size() && text[end] == '\\' && end + 1 < text.size()) {
        switch (text[end + 1]) {
          case 'n': code = '\n'; break;
          case 'r': code = '\r'; break;
          case 't': code = '\t'; break;
          case 'b': code = '\b'; break;
          case '0': code = 0; break;
          case '\'': case '"': case '\\': code = static_cast<uint8_t>(text[end + 1]); break;
          default: throw EvaluationError("unknown escape '\\" + std::string(1, text[end + 1]) + "'");
        }
        end += 2;
      } else if (end < text.size()) {
        code = static_cast<uint8_t>(text[end]);
        ++end;
      }
      if (end >= text.size() || text[end] != '\'') throw EvaluationError("a character constant needs its closing quote");
      token.kind = Token::Kind::Char;
      token.value = code;
      token.text = text.substr(i, end + 1 - i);
      i = end + 1;
    } else {
      for (const char* op : operators) {
        if (text.compare(i, std::char_traits<char>::length(op), op) == 0) {
          token.kind = Token::Kind::Operator;
          token.text = op;
          break;
        }
      }
      if (token.kind == Token::Kind::End) throw EvaluationError("unexpected '" + std::string(1, c) + "' in the expression");
      i += token.text.size();
    }
    tokens.push_back(token);
  }
}

class Parser {
 public:
  explicit Parser(const std::string& text) : text_(text), tokens_(tokenize(text)) {}

  NodePtr parse() {
    const size_t begin = peek().begin;
    NodePtr node = binary(0);
    if (is("=")) {
      next();
      auto assign = make(Node::Kind::Assign, "=");
      assign->kids = {node, binary(0)};
      node = finish(assign, begin);
    }
    if (peek().kind != Token::Kind::End) fail("unexpected '" + peek().text + "'");
    return node;
  }

 private:
  // Binary operators from the loosest: level i holds the operators of one
  // precedence level.
  static constexpr int levels = 9;

  static bool at_level(const std::string& op, int level) {
    static const std::vector<std::vector<std::string>> table = {
        {"||"}, {"&&"}, {"==", "!=", "<", "<=", ">", ">="}, {"|"}, {"^"}, {"&"}, {"<<", ">>", ">>>"}, {"+", "-"},
        {"*", "/", "%"}};
    for (const std::string& candidate : table[static_cast<size_t>(level)]) {
      if (candidate == op) return true;
    }
    return false;
  }

  NodePtr binary(int level) {
    if (level == levels) return unary();
    const size_t begin = peek().begin;
    NodePtr left = binary(level + 1);
    bool compared = false;
    while (peek().kind == Token::Kind::Operator && at_level(peek().text, level)) {
      if (level == 2 && compared) fail("one comparison at a time: put the first in parentheses");
      compared = true;
      auto node = make(Node::Kind::Binary, next().text);
      node->kids = {left, binary(level + 1)};
      left = finish(node, begin);
    }
    return left;
  }

  NodePtr unary() {
    const size_t begin = peek().begin;
    if (is("-") || is("+") || is("~") || is("!")) {
      auto node = make(Node::Kind::Unary, next().text);
      node->kids = {unary()};
      return finish(node, begin);
    }
    return postfix();
  }

  NodePtr postfix() {
    const size_t begin = peek().begin;
    NodePtr node = primary();
    while (true) {
      if (is("[")) {
        next();
        auto index = make(Node::Kind::Index, "[]");
        index->kids = {node, binary(0)};
        expect("]");
        node = finish(index, begin);
      } else if (is(".")) {
        next();
        if (peek().kind != Token::Kind::Name) fail("a field name must follow '.'");
        auto access = make(Node::Kind::Field, next().text);
        access->kids = {node};
        node = finish(access, begin);
      } else {
        return node;
      }
    }
  }

  NodePtr primary() {
    const Token token = peek();
    const size_t begin = token.begin;
    switch (token.kind) {
      case Token::Kind::Number:
      case Token::Kind::Char: {
        next();
        auto node = make(Node::Kind::Literal, "");
        node->type = token.kind == Token::Kind::Number ? "int" : "char";
        node->word = token.value;
        return finish(node, begin);
      }
      case Token::Kind::Name: {
        next();
        if (token.text == "true" || token.text == "false" || token.text == "null") {
          auto node = make(Node::Kind::Literal, "");
          node->type = token.text == "null" ? "null" : "boolean";
          node->word = token.text == "true" ? 1 : 0;
          return finish(node, begin);
        }
        if (is("(")) {
          next();
          auto call = make(Node::Kind::Call, token.text);
          if (!is(")")) {
            call->kids.push_back(binary(0));
            while (is(",")) {
              next();
              call->kids.push_back(binary(0));
            }
          }
          expect(")");
          return finish(call, begin);
        }
        return finish(make(Node::Kind::Name, token.text), begin);
      }
      case Token::Kind::Operator:
        if (token.text == "(") {
          next();
          NodePtr inner = binary(0);
          expect(")");
          return inner;
        }
        fail("unexpected '" + token.text + "'");
      case Token::Kind::End: fail("the expression ends too early");
    }
    fail("unexpected token");
  }

  static std::shared_ptr<Node> make(Node::Kind kind, std::string name) {
    auto node = std::make_shared<Node>();
    node->kind = kind;
    node->name = std::move(name);
    return node;
  }

  NodePtr finish(const std::shared_ptr<Node>& node, size_t begin) {
    const size_t end = position_ > 0 ? tokens_[position_ - 1].begin + tokens_[position_ - 1].text.size() : begin;
    node->text = text_.substr(begin, end - begin);
    return node;
  }

  const Token& peek() const { return tokens_[position_]; }
  bool is(const char* op) const { return peek().kind == Token::Kind::Operator && peek().text == op; }
  Token next() { return tokens_[position_++]; }
  void expect(const char* op) {
    if (!is(op)) fail(std::string("'") + op + "' expected");
    next();
  }
  [[noreturn]] void fail(const std::string& message) const {
    const Token& at = peek();
    if (at.kind == Token::Kind::End) throw EvaluationError("syntax error at the end of '" + text_ + "': " + message);
    throw EvaluationError("syntax error in '" + text_ + "' near '" + text_.substr(at.begin) + "': " + message);
  }

  std::string text_;
  std::vector<Token> tokens_;
  size_t position_ = 0;
};

bool is_numeric(const Value& v) {
  const std::string& kind = v.type->kind;
  return kind == "int" || kind == "char" || kind == "byte";
}

bool is_boolean(const Value& v) { return v.type->kind == "boolean"; }

bool is_reference_like(const Value& v) { return is_array(v) || is_object(v) || v.type->kind == "null"; }

// The word a reference comparison looks at: the address of the data.
uint16_t identity(const Value& v) {
  const std::optional<uint16_t> data = data_address(v);
  return data ? *data : 0;
}

class Evaluator {
 public:
  explicit Evaluator(Scope& scope) : scope_(scope) {}

  Value evaluate(const Node& node) {
    switch (node.kind) {
      case Node::Kind::Literal: return make_value(scope_.symbols, node.type, node.word);
      case Node::Kind::Name: return name(node);
      case Node::Kind::Index: {
        const Value array = evaluate(*node.kids[0]);
        const Value index = evaluate(*node.kids[1]);
        if (!is_numeric(index)) throw EvaluationError("the index " + node.kids[1]->text + " is not an int");
        return element(array, number_of(index), node.kids[0]->text, memory(), scope_.symbols);
      }
      case Node::Kind::Field:
        return field(evaluate(*node.kids[0]), node.name, node.kids[0]->text, memory(), scope_.symbols);
      case Node::Kind::Call: return call(node);
      case Node::Kind::Unary: return unary(node);
      case Node::Kind::Binary: return binary(node);
      case Node::Kind::Assign: return assign(node);
    }
    throw EvaluationError("cannot evaluate " + node.text);
  }

 private:
  MemoryView memory() const { return MemoryView(scope_.machine, scope_.reads); }

  Value int_value(int32_t n) const { return make_value(scope_.symbols, "int", static_cast<uint16_t>(n)); }
  Value boolean_value(bool b) const { return make_value(scope_.symbols, "boolean", b ? 1 : 0); }

  Value name(const Node& node) {
    const int procedure = scope_.procedure != nullptr ? scope_.procedure->number : -1;
    if (const DebugVariable* v = scope_.symbols.variable(node.name, procedure)) {
      if (!scope_.live) throw EvaluationError("The program is not being run.");
      if (v->storage == "frame") scope_.used_frame = true;
      return variable_value(*v, scope_.symbols, memory(), scope_.fp);
    }
    if (const DebugConstant* c = scope_.symbols.constant(node.name)) {
      return constant_value(*c, scope_.symbols, memory());
    }
    throw EvaluationError("No symbol \"" + node.name + "\" in current context.");
  }

  Value call(const Node& node) {
    if (node.name != "ORD" && node.name != "CHR" && node.name != "LENGTH") {
      throw EvaluationError("only ORD, CHR and LENGTH can be called here, not " + node.name);
    }
    if (node.kids.size() != 1) throw EvaluationError(node.name + " takes one argument");
    const Value argument = evaluate(*node.kids[0]);
    if (node.name == "LENGTH") {
      if (!is_array(argument)) throw EvaluationError(node.kids[0]->text + " is not an array");
      if (is_null(argument)) throw EvaluationError(node.kids[0]->text + " is null");
      return int_value(array_length(argument, memory(), scope_.symbols));
    }
    if (!is_numeric(argument) && !is_boolean(argument)) {
      throw EvaluationError(node.name + " takes an int, char, byte or boolean value");
    }
    if (node.name == "ORD") return int_value(number_of(argument));
    return make_value(scope_.symbols, "char", static_cast<uint16_t>(number_of(argument) & 0xFF));
  }

  Value unary(const Node& node) {
    const Value operand = evaluate(*node.kids[0]);
    if (node.name == "!") {
      if (!is_boolean(operand)) throw EvaluationError("! takes a boolean value, and " + node.kids[0]->text + " is not one");
      return boolean_value(operand.word == 0);
    }
    const int32_t n = numeric(operand, node.kids[0]->text);
    if (node.name == "-") return int_value(-n);
    if (node.name == "~") return int_value(~n);
    return int_value(n);
  }

  int32_t numeric(const Value& v, const std::string& text) const {
    if (!is_numeric(v)) throw EvaluationError(text + " is not a number (it is a " + v.type->name + ")");
    return number_of(v);
  }

  Value binary(const Node& node) {
    const std::string& op = node.name;
    if (op == "&&" || op == "||") {
      const Value left = evaluate(*node.kids[0]);
      if (!is_boolean(left)) throw EvaluationError(op + " takes boolean values, and " + node.kids[0]->text + " is not one");
      // Short-circuited, unlike the language: a guard such as p != null
      // keeps the right side from failing.
      if ((op == "&&") == (left.word == 0)) return boolean_value(left.word != 0);
      const Value right = evaluate(*node.kids[1]);
      if (!is_boolean(right)) throw EvaluationError(op + " takes boolean values, and " + node.kids[1]->text + " is not one");
      return boolean_value(right.word != 0);
    }
    const Value left = evaluate(*node.kids[0]);
    const Value right = evaluate(*node.kids[1]);
    if (op == "==" || op == "!=" || op == "<" || op == "<=" || op == ">" || op == ">=") {
      return compare(op, left, right, node);
    }
    const int32_t a = numeric(left, node.kids[0]->text);
    const int32_t b = numeric(right, node.kids[1]->text);
    if (op == "+") return int_value(a + b);
    if (op == "-") return int_value(a - b);
    if (op == "*") return int_value(static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b)));
    if (op == "/" || op == "%") {
      if (b == 0) throw EvaluationError("Division by zero");
      return int_value(op == "/" ? a / b : a % b);
    }
    if (op == "&") return int_value(a & b);
    if (op == "|") return int_value(a | b);
    if (op == "^") return int_value(a ^ b);
    // Shifts as the machine does them: 16 places or more leave nothing, and
    // a negative count shifts the other way.
    const int32_t count = op == "<<" ? b : -b;
    const uint16_t word = static_cast<uint16_t>(a);
    if (count >= 16) return int_value(0);
    if (count >= 0) return int_value(static_cast<int32_t>(static_cast<uint32_t>(word) << count));
    return int_value(as_signed(word) >> (count < -15 ? 15 : -count));
  }

  Value compare(const std::string& op, const Value& left, const Value& right, const Node& node) {
    int32_t a = 0;
    int32_t b = 0;
    if (is_numeric(left) && is_numeric(right)) {
      a = number_of(left);
      b = number_of(right);
    } else if ((is_boolean(left) && is_boolean(right)) || (is_reference_like(left) && is_reference_like(right))) {
      if (op != "==" && op != "!=") throw EvaluationError(op + " does not order " + left.type->name + " values");
      a = is_boolean(left) ? left.word : identity(left);
      b = is_boolean(right) ? right.word : identity(right);
    } else {
      throw EvaluationError("cannot compare " + node.kids[0]->text + " (" + left.type->name + ") with " +
                            node.kids[1]->text + " (" + right.type->name + ")");
    }
    if (op == "==") return boolean_value(a == b);
    if (op == "!=") return boolean_value(a != b);
    if (op == "<") return boolean_value(a < b);
    if (op == "<=") return boolean_value(a <= b);
    if (op == ">") return boolean_value(a > b);
    return boolean_value(a >= b);
  }

  Value assign(const Node& node) {
    const Value target = evaluate(*node.kids[0]);
    const Value value = evaluate(*node.kids[1]);
    const std::string& what = node.kids[0]->text;
    if (!target.address) throw EvaluationError(what + " is not a variable, element or field");
    if (target.in_place) throw EvaluationError(what + " is a whole array or object: assign its elements or fields");
    if (target.constant) throw EvaluationError(what + " is part of a constant table");
    if (scope_.writable == nullptr) throw EvaluationError("The program is not being run.");
    const std::string& kind = target.type->kind;
    uint16_t word = 0;
    if (kind == "int") {
      word = static_cast<uint16_t>(numeric(value, node.kids[1]->text));
    } else if (kind == "char" || kind == "byte") {
      const int32_t n = numeric(value, node.kids[1]->text);
      if (n < 0 || n > 255) throw EvaluationError(std::to_string(n) + " does not fit in a " + kind);
      word = static_cast<uint16_t>(n);
    } else if (kind == "boolean") {
      if (!is_boolean(value)) throw EvaluationError(what + " is a boolean: give it true or false");
      word = value.word;
    } else if (is_array(target) || is_object(target)) {
      const bool fits = value.type->kind == "null" || value.type->name == target.type->name ||
                        (is_array(value) && value.type->element == target.type->element);
      if (!fits) throw EvaluationError(node.kids[1]->text + " is not of type " + target.type->name);
      word = identity(value);
    } else {
      throw EvaluationError(what + " cannot be assigned");
    }
    if (kind == "byte") {
      scope_.writable->set_byte(*target.address, static_cast<uint8_t>(word));
    } else {
      scope_.writable->set_word(*target.address, word);
    }
    return value_at(target.type, *target.address, false, memory());
  }

  Scope& scope_;
};

}  // namespace

Expression Expression::parse(const std::string& text) {
  Expression expression;
  expression.text_ = text;
  expression.root_ = Parser(text).parse();
  return expression;
}

bool Expression::assigns() const { return root_->kind == Node::Kind::Assign; }

Value Expression::evaluate(Scope& scope) const { return Evaluator(scope).evaluate(*root_); }

std::string evaluate_to_text(const std::string& text, Scope& scope, const FormatOptions& options) {
  const Value value = Expression::parse(text).evaluate(scope);
  return format_value(value, MemoryView(scope.machine, scope.reads), scope.symbols, options);
}

}  // namespace vylsim
