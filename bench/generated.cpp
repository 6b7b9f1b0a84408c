#include "generated.h"

#include <random>

namespace kznbench {
namespace {

using subhost::Art;
using subhost::Document;
using subhost::Point;
using subhost::Segment;

void AddPatterns(Document& doc, const Shape& shape, std::mt19937& rng, Plan& plan) {
    for (int i = 0; i < kGraySwatches; ++i) {
        doc.AddSwatch(nullptr, 0.2 * i);
    }
    std::uniform_real_distribution<double> side(4, 16);
    for (int i = 0; i < shape.patterns; ++i) {
        const std::string name = "記号" + std::to_string(i);
        subhost::Pattern& pattern = doc.AddPattern(name);
        Art& group = doc.NewArt(kGroupArt, nullptr);
        Art& path = doc.NewArt(kPathArt, &group);
        const double w = side(rng), h = side(rng);
        for (const Point p : {Point{0, 0}, Point{w, 0}, Point{w, h}, Point{0, h}}) {
            path.segments.push_back(Segment{p, p, p, false});
        }
        path.closed = true;
        path.style.fill = subhost::Paint{0.5 * (i % 3), 0};
        // Painted as a dialect atlas paints its symbols: a colour per family.
        static const char* const kColours[] = {"#1f77b4", "#ff7f0e", "#2ca02c",
                                               "#d62728", "#9467bd", "#8c564b"};
        path.paint = {{{"fill", kColours[i % 6]}, {"stroke", "none"}}, path.style};
        pattern.art = &group;
        doc.AddSwatch(&pattern, 0);
        plan.patternNames.push_back(name);
    }
}

}  // namespace

std::unique_ptr<Document> LabelMap(const Shape& shape, Plan* plan) {
    auto doc = std::make_unique<Document>();
    std::mt19937 rng(shape.seed);
    Plan p;
    AddPatterns(*doc, shape, rng, p);
    std::uniform_int_distribution<int> symbols(1, 3);
    std::uniform_int_distribution<int> pattern(0, shape.patterns - 1);
    for (int f = 0; f < shape.forms; ++f) {
        p.forms.push_back("カタツムリ" + std::to_string(f));
        std::vector<int> chosen(static_cast<std::size_t>(symbols(rng)));
        for (int& c : chosen) {
            c = pattern(rng);
        }
        p.symbolsOfForm.push_back(chosen);
    }
    subhost::Layer& layer = doc->AddLayer(0, "調査地点", true);
    doc->SetCurrentLayer(0);
    std::uniform_int_distribution<int> form(0, shape.forms - 1);
    std::uniform_real_distribution<double> at(0, 10000);
    for (int i = 0; i < shape.labels; ++i) {
        const int f = form(rng);
        Art& text = doc->NewArt(kTextArt, layer.group);
        text.text = p.forms[static_cast<std::size_t>(f)];
        text.anchor = {at(rng), at(rng)};
        p.formOfLabel.push_back(f);
    }
    if (plan != nullptr) {
        *plan = std::move(p);
    }
    return doc;
}

std::unique_ptr<Document> SymbolMap(const Shape& shape, Plan* plan) {
    auto doc = std::make_unique<Document>();
    std::mt19937 rng(shape.seed);
    Plan p;
    AddPatterns(*doc, shape, rng, p);
    subhost::Layer& layer = doc->AddLayer(0, "記号", true);
    doc->SetCurrentLayer(0);
    std::uniform_int_distribution<int> pattern(0, shape.patterns - 1);
    std::uniform_real_distribution<double> at(0, 10000);
    for (int i = 0; i < shape.labels; ++i) {
        const int k = pattern(rng);
        const Art& source = *doc->patterns()[static_cast<std::size_t>(k)]->art;
        Art& copy = doc->Duplicate(source, kPlaceInsideOnBottom, *layer.group);
        copy.tags["kznObjectName"] = p.patternNames[static_cast<std::size_t>(k)];
        const Point offset{at(rng), at(rng)};
        for (Art* child : copy.children) {
            for (Segment& s : child->segments) {
                for (Point* q : {&s.p, &s.in, &s.out}) {
                    q->x += offset.x;
                    q->y += offset.y;
                }
            }
        }
        p.patternOfSymbol.push_back(k);
    }
    if (plan != nullptr) {
        *plan = std::move(p);
    }
    return doc;
}

std::string TextTable(const Plan& plan) {
    std::string table;
    for (std::size_t f = 0; f < plan.forms.size(); ++f) {
        table += plan.forms[f] + ",katatsumuri" + std::to_string(f) + "\r\n";
    }
    return table;
}

std::string SymbolTable(const Plan& plan) {
    std::string table;
    for (std::size_t f = 0; f < plan.forms.size(); ++f) {
        table += plan.forms[f];
        for (int k : plan.symbolsOfForm[f]) {
            table += "," + plan.patternNames[static_cast<std::size_t>(k)];
        }
        table += "\r\n";
    }
    return table;
}

std::string SwapTable(const Plan& plan) {
    std::string table;
    const std::size_t n = plan.patternNames.size();
    for (std::size_t i = 0; i < n; ++i) {
        table += plan.patternNames[i] + "," + plan.patternNames[(i + 1) % n] + "\r\n";
    }
    return table;
}

std::string LargeTable(int rows) {
    std::string table;
    for (int i = 0; i < rows; ++i) {
        const std::string n = std::to_string(i);
        table += "デンデンムシ" + n + ",dendenmushi" + n + "\r\n";
    }
    return table;
}

std::string LongTableLine(int fields) {
    std::string line = "デンデンムシ";
    for (int i = 0; i < fields; ++i) {
        line += ",d" + std::to_string(i);
    }
    return line + "\r\n";
}

}  // namespace kznbench
