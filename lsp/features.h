// The answers to the requests on a document, each from one analysis of it.
// A request the analysis cannot answer gets the protocol's empty answer
// (null, []); one refused throws RequestError.
#pragma once

#include <string>

#include "lsp/analysis.h"
#include "lsp/protocol.h"

namespace vyl::lsp {

// textDocument/publishDiagnostics parameters.
json PublishedDiagnostics(const Analysis& a, const std::string& uri, const json& version);

// symbols.cpp
json DocumentSymbols(const Analysis& a);
json SemanticTokensLegend();
json SemanticTokens(const Analysis& a);

// navigation.cpp
json Definition(const Analysis& a, const std::string& uri, Position at, bool declaration);
json References(const Analysis& a, const std::string& uri, Position at, bool includeDeclaration);
json Hover(const Analysis& a, Position at);
json PrepareRename(const Analysis& a, Position at);
json Rename(const Analysis& a, const std::string& uri, Position at, const std::string& newName,
            const Compiler& compile);

// completion.cpp
json Completion(const Analysis& a, Position at, bool snippets);
json SignatureHelp(const Analysis& a, Position at, bool labelOffsets);

}  // namespace vyl::lsp
