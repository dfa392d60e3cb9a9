#include "coord/vlx_param.h"

#include <cstring>
#include <vector>

#include "base/text.h"

using vm2::EqualNoCase;

namespace vm2 {

bool IsParamFileName(const char* pszPath)
{
    if (IsEmpty(pszPath)) return false;
    std::size_t n = std::strlen(pszPath);
    return n > 4 && EqualNoCase(pszPath + n - 4, ".tmp");
}

}  // namespace vm2

CVlxParam::CVlxParam() { Clear(); }

CVlxParam::~CVlxParam() = default;

void CVlxParam::Clear()
{
    m_szCmdLine[0] = '\0';
    m_szTempDir[0] = '\0';
    m_bR = m_bS = m_bE = m_bC = m_bU = 0;
    m_szPrinter[0] = m_szDriver[0] = m_szPort[0] = m_szModel[0] = '\0';
    m_szParamFile[0] = m_szFileName[0] = m_szJ[0] = '\0';
    m_bBE = 0;
    m_szBH[0] = m_szBU[0] = m_szBD[0] = m_szBI[0] = m_szBN[0] = m_szKPM[0] = '\0';
}

bool CVlxParam::SetOption(const char* pszName, const char* pszValue)
{
    if (pszName == nullptr) return false;
    struct ValueOption {
        const char* pszName;
        char* pField;
    };
    const ValueOption values[] = {
        {"P", m_szPrinter}, {"D", m_szDriver}, {"O", m_szPort}, {"M", m_szModel}, {"J", m_szJ},
        {"BH", m_szBH},     {"BU", m_szBU},    {"BD", m_szBD},  {"BI", m_szBI},   {"BN", m_szBN},
        {"KPM", m_szKPM},
    };
    for (const ValueOption& opt : values) {
        if (!EqualNoCase(pszName, opt.pszName)) continue;
        // Refused rather than cut: a cut printer name names another printer.
        if (pszValue != nullptr && std::strlen(pszValue) >= vm2::kOptionValueBuf) return false;
        vm2::CopyText(opt.pField, vm2::kOptionValueBuf, pszValue);
        return true;
    }
    struct FlagOption {
        const char* pszName;
        std::int32_t* pFlag;
    };
    const FlagOption flags[] = {{"R", &m_bR}, {"S", &m_bS}, {"U", &m_bU}, {"C", &m_bC}, {"E", &m_bE}, {"BE", &m_bBE}};
    for (const FlagOption& opt : flags) {
        if (!EqualNoCase(pszName, opt.pszName)) continue;
        *opt.pFlag = 1;
        return true;
    }
    return false;
}

void CVlxParam::ApplyCmdLineOptions()
{
    char name[vm2::kOptionNameBuf];
    char value[vm2::kOptionValueBuf];
    for (int i = 0; GetOption(i, name, value) != -1; ++i) {
        SetOption(name, value);
        if (EqualNoCase(name, "F")) vm2::CopyText(m_szParamFile, sizeof(m_szParamFile), value);
        else if (EqualNoCase(name, "A")) vm2::CopyText(m_szFileName, sizeof(m_szFileName), value);
    }
}

void CVlxParam::ApplyParamLine(const char* pszLine)
{
    std::string name, value;
    if (!vm2::ParseParamLine(pszLine, &name, &value)) return;
    SetOption(name.c_str(), value.c_str());
    if (EqualNoCase(name.c_str(), "A") && value.size() < sizeof(m_szFileName))
        vm2::CopyText(m_szFileName, sizeof(m_szFileName), value.c_str());
}

int CVlxParam::ApplyParamStream(std::FILE* pFile)
{
    if (pFile == nullptr) return 0;
    // One more byte than a line may hold, to tell an over-long line, and one
    // for the terminator.
    std::vector<char> line(vm2::kParamLineMax + 2);
    int nLines = 0;
    while (std::fgets(line.data(), static_cast<int>(line.size()), pFile) != nullptr) {
        std::size_t n = std::strlen(line.data());
        bool bComplete = n > 0 && line[n - 1] == '\n';
        if (!bComplete && n > vm2::kParamLineMax) {
            // Keep the line's first characters, drop the rest up to its end.
            line[vm2::kParamLineMax] = '\0';
            int c;
            while ((c = std::fgetc(pFile)) != EOF && c != '\n') {
            }
        }
        ApplyParamLine(line.data());
        ++nLines;
    }
    return nLines;
}

void CVlxParam::DropIncompleteBE()
{
    if (m_szBH[0] == '\0' || m_szBU[0] == '\0' || m_szBD[0] == '\0' || m_szBI[0] == '\0') m_bBE = 0;
}

std::string CVlxParam::FormatParamText() const
{
    std::string out;
    auto value = [&out](const char* pszName, const char* pszValue) {
        if (pszValue[0] == '\0') return;
        out += '/';
        out += pszName;
        out += " \"";
        out += pszValue;
        out += "\"\n";
    };
    auto flag = [&out](const char* pszName, std::int32_t bSet) {
        if (!bSet) return;
        out += '/';
        out += pszName;
        out += '\n';
    };
    value("P", m_szPrinter);
    value("D", m_szDriver);
    value("O", m_szPort);
    value("M", m_szModel);
    value("J", m_szJ);
    flag("S", m_bS);
    flag("R", m_bR);
    flag("E", m_bE);
    flag("U", m_bU);
    flag("C", m_bC);
    flag("BE", m_bBE);
    value("BH", m_szBH);
    value("BU", m_szBU);
    value("BD", m_szBD);
    value("BI", m_szBI);
    value("BN", m_szBN);
    value("KPM", m_szKPM);
    return out;
}
