// Which courier a tracking number belongs to: the recognition service's code, named by the directory.
#pragma once

#include <QString>

#include <functional>

class CourierStore;
class QObject;
class WebClient;

struct CourierGuess {
    enum class Kind {
        // The directory names the company.
        Named,
        // The service named a company the directory does not hold.
        NotInDirectory,
        // The service said it is overloaded (its answer holds 503).
        ServiceBusy,
        // No complete answer, no company code in it, or the directory could not be read.
        Failed,
        // A complete but empty answer: the service said nothing.
        Silent,
    };
    Kind kind = Kind::Failed;
    // The directory's name of the company; empty unless Named.
    QString company;

    // The company's name, or what the add page's company picker says instead; empty when Silent.
    QString text() const;
};

// Whether the service is asked at all: a recognition service is set and the number has ten or more
// characters (a shorter one is still being typed).
bool recognitionAsks(const QString &serviceAddress, const QString &number);

// Asks the recognition service about the number and calls done once with what it came to, while
// `receiver` lives; the window stays live meanwhile. Only for a number recognitionAsks takes.
void recogniseCourier(WebClient &web, const QString &serviceAddress, CourierStore &couriers,
                      const QString &number, QObject *receiver,
                      std::function<void(const CourierGuess &)> done);
