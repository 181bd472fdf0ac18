// Components with a property of every streamed kind, registered for the
// stream reader harness and shared with the streaming tests.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

class TStreamProbe : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Flag MEMBER FFlag)
    Q_PROPERTY(int Number MEMBER FNumber)
    Q_PROPERTY(uint Unsigned MEMBER FUnsigned)
    Q_PROPERTY(short Small MEMBER FSmall)
    Q_PROPERTY(qlonglong Big MEMBER FBig)
    Q_PROPERTY(qulonglong UBig MEMBER FUBig)
    Q_PROPERTY(double Ratio MEMBER FRatio)
    Q_PROPERTY(float Scale MEMBER FScale)
    Q_PROPERTY(QString Caption MEMBER FCaption)
    Q_PROPERTY(QByteArray Data MEMBER FData)
    Q_PROPERTY(QStringList Lines MEMBER FLines)
    Q_PROPERTY(QRect Bounds MEMBER FBounds)
    Q_PROPERTY(QPoint Origin MEMBER FOrigin)
    Q_PROPERTY(QSize Extent MEMBER FExtent)
    Q_PROPERTY(TKind Kind MEMBER FKind)
    Q_PROPERTY(TOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(int Transient MEMBER FTransient STORED false)
    Q_PROPERTY(int Computed READ Computed)

public:
    enum TKind { pkSmall, pkMedium, pkLarge };
    Q_ENUM(TKind)
    enum TOption { poBold = 1, poFramed = 2, poShadow = 4 };
    Q_DECLARE_FLAGS(TOptions, TOption)
    Q_FLAG(TOptions)

    explicit TStreamProbe(QObject* owner = nullptr) : QObject(owner) {}

    int Computed() const { return FNumber * 2; }
    // Flags cannot be a MEMBER property.
    TOptions Options() const { return FOptions; }
    void SetOptions(TOptions v) { FOptions = v; }

    bool FFlag = false;
    int FNumber = 7; // a default other than zero
    uint FUnsigned = 0;
    short FSmall = 0;
    qlonglong FBig = 0;
    qulonglong FUBig = 0;
    double FRatio = 0.5;
    float FScale = 1.0f;
    QString FCaption = QStringLiteral("probe");
    QByteArray FData;
    QStringList FLines;
    QRect FBounds;
    QPoint FOrigin;
    QSize FExtent;
    TKind FKind = pkMedium;
    TOptions FOptions = poFramed;
    int FTransient = 0;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TStreamProbe::TOptions)

// A second class, for children.
class TStreamProbeItem : public TStreamProbe {
    Q_OBJECT
    Q_PROPERTY(QString Hint MEMBER FHint)

public:
    explicit TStreamProbeItem(QObject* owner = nullptr) : TStreamProbe(owner) {}

    QString FHint;
};

// Registers both classes with the component class registry.
void RegisterStreamProbes();
